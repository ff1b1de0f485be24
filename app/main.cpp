// Start-up: the editor window loads the archive before it is first shown. If the archive
// cannot be loaded there is nothing to lose yet: the error is shown and the program ends.

#include "form1.h"
#include "messageboxnotifier.h"
#include "module1.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("spartiti"));
    QApplication::setApplicationDisplayName(QStringLiteral("Archivio Spartiti"));
    QApplication::setApplicationVersion(QStringLiteral("3.01"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/spartiti-256.png")));

    spartiti::Module1 state;
    spartiti::MessageBoxNotifier notifier;
    spartiti::Form1 form(state, notifier);
    notifier.setParent(&form);

    if (auto error = form.Form_Load()) {
        notifier.setParent(nullptr);
        notifier.warn(error->message
                      + QStringLiteral("\n\nCartella di lavoro: %1\nL'editor cerca qui la cartella "
                                       "\"spartiti\" con il file \"archivio.js\".")
                            .arg(QDir::toNativeSeparators(QDir::currentPath())));
        return 1;
    }
    form.show();
    return app.exec();
}
