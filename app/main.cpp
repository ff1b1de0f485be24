// Start-up: the editor window loads the archive before it is first shown. If the archive
// cannot be loaded there is nothing to lose yet: the error is shown and the program ends.

#include "attachmentwindows.h"
#include "form1.h"
#include "messageboxnotifier.h"
#include "module1.h"
#include "startupprobe.h"
#include "trackplayer.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

int main(int argc, char *argv[])
{
    spartiti::StartupProbe probe;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("spartiti"));
    QApplication::setApplicationDisplayName(QStringLiteral("Archivio Spartiti"));
    QApplication::setApplicationVersion(QStringLiteral("3.01"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/spartiti-256.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("it.spartiti.Spartiti"));

    spartiti::Module1 state;
    spartiti::MessageBoxNotifier notifier;
    spartiti::Form1 form(state, notifier);
    notifier.setParent(&form);
    spartiti::MediaTrackPlayer player;
    form.setTrackPlayer(&player);

    // The page pickers and the track window, made on first use. The editor keeps aside
    // what an attach replaces, so that it can be undone, and shows the result at once.
    spartiti::AttachmentWindows attachments(state, notifier);
    QObject::connect(&form, &spartiti::Form1::leftPickerRequested, &attachments,
                     &spartiti::AttachmentWindows::openLeftPicker);
    QObject::connect(&form, &spartiti::Form1::rightPickerRequested, &attachments,
                     &spartiti::AttachmentWindows::openRightPicker);
    QObject::connect(&form, &spartiti::Form1::trackWindowRequested, &attachments,
                     &spartiti::AttachmentWindows::openTrackWindow);
    QObject::connect(&attachments, &spartiti::AttachmentWindows::aboutToAttach, &form,
                     &spartiti::Form1::beginAttach);
    QObject::connect(&attachments, &spartiti::AttachmentWindows::attached, &form, &spartiti::Form1::endAttach);

    if (auto error = form.Form_Load()) {
        notifier.setParent(nullptr);
        notifier.warn(error->message
                      + QStringLiteral("\n\nCartella di lavoro: %1\nL'editor cerca qui la cartella "
                                       "\"spartiti\" con il file \"archivio.js\".")
                            .arg(QDir::toNativeSeparators(QDir::currentPath())));
        return 1;
    }
    probe.watch(&form);
    form.show();
    return app.exec();
}
