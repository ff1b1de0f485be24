// Start-up: the editor window loads the archive before it is first shown. If the archive
// cannot be loaded there is nothing to lose yet: the error is shown and the program ends.

#include "attachmentwindows.h"
#include "cataloguedocument.h"
#include "form1.h"
#include "messageboxnotifier.h"
#include "module1.h"
#include "reorganisationjournal.h"
#include "reorganiser.h"
#include "scorepaths.h"
#include "startupprobe.h"
#include "trackplayer.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The interface is Italian whatever the system's language, and so are Qt's own texts:
// the standard buttons of the dialogs, the input dialogs, the fields' context menus.
void useItalianQtTexts(QApplication &app)
{
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    QLocale::setDefault(italian);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString &catalogue : {QStringLiteral("qtbase"), QStringLiteral("qtmultimedia")}) {
        auto *translator = new QTranslator(&app);
        if (translator->load(italian, catalogue, QStringLiteral("_"), folder))
            QApplication::installTranslator(translator);
        else
            delete translator;   // without the catalogue Qt's texts stay English, nothing worse
    }
}

} // namespace

int main(int argc, char *argv[])
{
    spartiti::StartupProbe probe;
    QApplication app(argc, argv);
    probe.answerMessages();
    useItalianQtTexts(app);
    QApplication::setApplicationName(QStringLiteral("spartiti"));
    QApplication::setApplicationDisplayName(QStringLiteral("Archivio Spartiti"));
    QApplication::setApplicationVersion(QStringLiteral("3.01"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/spartiti-256.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("it.spartiti.Spartiti"));

    spartiti::Module1 state;
    spartiti::MessageBoxNotifier notifier;
    spartiti::CatalogueDocument document(state, notifier);
    // A second editor on the same catalogue is told before anything is read.
    if (!document.acquireLock())
        return 0;
    spartiti::Form1 form(document, notifier);
    notifier.setParent(&form);
    spartiti::MediaTrackPlayer player;
    form.setTrackPlayer(&player);

    // The page pickers and the track window, made on first use; they report attaches to
    // the document, which makes them undoable and has the editor show them at once.
    spartiti::AttachmentWindows attachments(document, notifier);
    QObject::connect(&form, &spartiti::Form1::leftPickerRequested, &attachments,
                     &spartiti::AttachmentWindows::openLeftPicker);
    QObject::connect(&form, &spartiti::Form1::rightPickerRequested, &attachments,
                     &spartiti::AttachmentWindows::openRightPicker);
    QObject::connect(&form, &spartiti::Form1::trackWindowRequested, &attachments,
                     &spartiti::AttachmentWindows::openTrackWindow);
    QObject::connect(&form, &spartiti::Form1::trackFileDropped, &attachments,
                     &spartiti::AttachmentWindows::openTrackWindowWith);
    QObject::connect(&attachments, &spartiti::AttachmentWindows::copyRunningChanged, &form,
                     &spartiti::Form1::setCopyRunning);

    // A reorganisation cut short by a crash is finished (or undone) before the archive is
    // read; a journal that cannot be trusted stops the start, with nothing renamed. Without
    // the lock the journal may belong to another editor that is still running it.
    QString recovered;
    std::optional<spartiti::Error> unrecovered;
    if (!document.holdsLock() && QFileInfo::exists(spartiti::journal::path(spartiti::paths::dataFolder())))
        unrecovered = spartiti::Error{spartiti::Error::Kind::Io,
                                      QStringLiteral("Un altro editor sta riordinando l'archivio: riprova fra "
                                                     "qualche istante.")};
    else
        unrecovered = spartiti::recoverReorganisation(spartiti::paths::dataFolder(), recovered);
    if (auto error = unrecovered) {
        notifier.setParent(nullptr);
        notifier.warn(error->message);
        return 1;
    }
    if (!recovered.isEmpty())
        notifier.inform(recovered);
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
