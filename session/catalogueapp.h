#pragma once

#include "cataloguefolder.h"
#include "messageboxnotifier.h"
#include "recentcatalogues.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace spartiti {

class EditorSession;
class Form1;
class TrackPlayer;
class WelcomeWindow;

// Which catalogue is open, and the switch to another: from the command line, the
// working folder, the catalogues used last, the File menu and the welcome window. A
// catalogue that fails to open is reported and the user comes back to where they were
// (the catalogue open before, or the welcome window); the program ends only when the
// user closes the last window.
class CatalogueApp : public QObject
{
    Q_OBJECT

public:
    explicit CatalogueApp(TrackPlayer *player);
    ~CatalogueApp() override;

    // The first catalogue: `folder` when given, else the working folder's `spartiti`,
    // else the catalogue used last, else the welcome window.
    void start(const QString &argument, const QString &workingFolder);

    // Opens the catalogue in `folder` (the folder that holds `spartiti`, or `spartiti`
    // itself) in place of the one open now, once its unsaved edits are settled. True
    // when it is open.
    bool openFolder(const QString &folder);

    // The window on show: the editor of the open catalogue, or the welcome window.
    QWidget *activeWindow() const;
    Form1 *editor() const;
    WelcomeWindow *welcome() const;

signals:
    // A main window (the editor or the welcome window) is shown for the first time.
    void windowShown(QWidget *window);

private:
    void chooseAndOpen();
    void createAndOpen();
    void copyDemoAndOpen();
    void openRecent(const QString &folder);
    void showWelcome();
    void refreshRecent();
    QString chooseFolder(const QString &caption);

    TrackPlayer *m_player;
    MessageBoxNotifier m_notifier;
    RecentCatalogues m_recent;
    std::unique_ptr<EditorSession> m_session;
    QPointer<WelcomeWindow> m_welcome;
};

// Where the demo catalogue was installed with the program; null when it is not there.
CatalogueFolder installedDemo();

} // namespace spartiti
