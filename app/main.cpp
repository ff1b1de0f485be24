// Start-up: the catalogue named on the command line, or the one in the working folder, or
// the one used last, opens in the editor; when there is none, or it cannot be opened, the
// welcome window offers to open, make or try one. Nothing here ends the program.

#include "catalogueapp.h"
#include "trackplayer.h"
#ifdef SPARTITI_WITH_PROBE
#include "startupprobe.h"
#endif

#include <QApplication>
#include <QDir>
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
#ifdef SPARTITI_WITH_PROBE
    // Only in spartiti_probe, the build that tests and the benchmark time.
    spartiti::StartupProbe probe;
#endif
    QApplication app(argc, argv);
#ifdef SPARTITI_WITH_PROBE
    probe.answerMessages();
#endif
    useItalianQtTexts(app);
    QApplication::setOrganizationName(QStringLiteral("spartiti"));
    QApplication::setApplicationName(QStringLiteral("spartiti"));
    QApplication::setApplicationDisplayName(QStringLiteral("Archivio Spartiti"));
    QApplication::setApplicationVersion(QStringLiteral("3.01"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/spartiti-256.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("it.spartiti.Spartiti"));

    spartiti::MediaTrackPlayer player;
    spartiti::CatalogueApp catalogues(&player);
#ifdef SPARTITI_WITH_PROBE
    QObject::connect(&catalogues, &spartiti::CatalogueApp::windowShown, &probe, &spartiti::StartupProbe::watch);
#endif
    // The only place that looks at the working folder and the command line.
    const QStringList arguments = QApplication::arguments();
    catalogues.start(arguments.size() > 1 ? arguments.at(1) : QString(), QDir::currentPath());
    return app.exec();
}
