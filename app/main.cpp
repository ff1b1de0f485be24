#include "archive.h"
#include "module1.h"
#include "scorepaths.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    spartiti::Module1 state;
    if (auto error = spartiti::readArchive(state.catalogue, spartiti::paths::archive())) {
        QMessageBox::critical(nullptr, QStringLiteral("Archivio Spartiti 3.01"),
                              error->message + QStringLiteral("\nCartella di lavoro: ")
                                  + QDir::toNativeSeparators(QDir::currentPath()));
        return 1;
    }
    QLabel label(QStringLiteral("Sono presenti %1 Titoli nell'archivio").arg(state.catalogue.scoreCount()));
    label.show();
    return app.exec();
}
