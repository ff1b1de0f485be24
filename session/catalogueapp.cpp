#include "catalogueapp.h"

#include "cataloguedocument.h"
#include "editorsession.h"
#include "form1.h"
#include "welcomewindow.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

namespace spartiti {

CatalogueFolder installedDemo()
{
    const QStringList places{
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/spartiti/demo"),
        QStandardPaths::locate(QStandardPaths::GenericDataLocation, QCoreApplication::applicationName() + QStringLiteral("/demo"),
                               QStandardPaths::LocateDirectory)};
    for (const QString &place : places) {
        if (place.isEmpty())
            continue;
        const CatalogueFolder demo = CatalogueFolder::of(place);
        if (demo.exists())
            return demo;
    }
    return {};
}

CatalogueApp::CatalogueApp(TrackPlayer *player)
    : m_player(player)
{
}

WelcomeWindow *CatalogueApp::welcome() const
{
    return m_welcome;
}

Form1 *CatalogueApp::editor() const
{
    return m_session ? &m_session->form() : nullptr;
}

CatalogueApp::~CatalogueApp()
{
    m_session.reset();
    delete m_welcome.data();
}

void CatalogueApp::start(const QString &argument, const QString &workingFolder)
{
    if (!argument.isEmpty()) {
        if (!openFolder(argument))
            showWelcome();
        return;
    }
    if (QFileInfo(QDir(workingFolder).filePath(QStringLiteral("spartiti"))).isDir()) {
        if (!openFolder(workingFolder))
            showWelcome();
        return;
    }
    const QStringList recent = m_recent.folders();
    if (!recent.isEmpty() && CatalogueFolder::of(recent.first()).exists() && openFolder(recent.first()))
        return;
    showWelcome();
}

QWidget *CatalogueApp::activeWindow() const
{
    if (m_session && m_session->form().isVisible())
        return &m_session->form();
    return m_welcome;
}

bool CatalogueApp::openFolder(const QString &folder)
{
    const CatalogueFolder target = CatalogueFolder::of(folder);
    m_notifier.setParent(activeWindow());
    if (m_session && m_session->folder() == target) {
        m_session->form().raise();
        m_session->form().activateWindow();
        return true;
    }
    if (m_session && !m_session->form().mayClose())
        return false;
    auto next = std::make_unique<EditorSession>(target, m_player);
    bool declined = false;
    QString recovered;
    if (auto error = next->open(declined, recovered)) {
        m_notifier.warn(error->message);
        return false;
    }
    if (declined)
        return false;
    // The catalogue before goes once the new one is open: its lock is released, and its
    // window goes away after the menu action that asked for the switch has returned.
    if (m_session) {
        m_session->form().closeQuietly();
        m_session.release()->deleteLater();
    }
    m_session = std::move(next);
    Form1 &form = m_session->form();
    m_recent.add(target.parentPath());
    connect(&form, &Form1::openCatalogueRequested, this, &CatalogueApp::chooseAndOpen);
    connect(&form, &Form1::newCatalogueRequested, this, &CatalogueApp::createAndOpen);
    connect(&form, &Form1::recentCatalogueRequested, this, &CatalogueApp::openRecent);
    refreshRecent();
    form.show();
    emit windowShown(&form);
    if (m_welcome)
        m_welcome->hide();
    return true;
}

QString CatalogueApp::chooseFolder(const QString &caption)
{
    const QString start = m_session ? m_session->folder().parentPath()
                                    : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileDialog::getExistingDirectory(activeWindow(), caption, start);
}

void CatalogueApp::chooseAndOpen()
{
    const QString folder = chooseFolder(QStringLiteral("Apri catalogo: scegli la cartella che contiene \"spartiti\""));
    if (!folder.isEmpty())
        openFolder(folder);
}

void CatalogueApp::createAndOpen()
{
    const QString folder = chooseFolder(QStringLiteral("Nuovo catalogo: scegli la cartella in cui crearlo"));
    if (folder.isEmpty())
        return;
    CatalogueFolder made;
    m_notifier.setParent(activeWindow());
    if (auto error = CatalogueDocument::createCatalogue(folder, made)) {
        m_notifier.warn(error->message);
        return;
    }
    openFolder(made.path());
}

void CatalogueApp::copyDemoAndOpen()
{
    m_notifier.setParent(activeWindow());
    const CatalogueFolder demo = installedDemo();
    if (demo.isNull()) {
        m_notifier.warn(QStringLiteral("Il catalogo di esempio non è installato con il programma."));
        return;
    }
    const QString folder = chooseFolder(QStringLiteral("Catalogo di esempio: scegli dove copiarlo"));
    if (folder.isEmpty())
        return;
    CatalogueFolder made;
    if (auto error = CatalogueDocument::copyCatalogue(demo, folder, made)) {
        m_notifier.warn(error->message);
        return;
    }
    openFolder(made.path());
}

void CatalogueApp::openRecent(const QString &folder)
{
    if (!CatalogueFolder::of(folder).exists()) {
        m_notifier.setParent(activeWindow());
        m_notifier.warn(QStringLiteral("Il catalogo \"%1\" non c'è più: viene tolto dai cataloghi recenti.")
                            .arg(QDir::toNativeSeparators(folder)));
        m_recent.remove(folder);
        refreshRecent();
        return;
    }
    openFolder(folder);
}

void CatalogueApp::showWelcome()
{
    const bool made = !m_welcome;
    if (made) {
        m_welcome = new WelcomeWindow;
        m_welcome->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_welcome, &WelcomeWindow::openCatalogueRequested, this, &CatalogueApp::chooseAndOpen);
        connect(m_welcome, &WelcomeWindow::newCatalogueRequested, this, &CatalogueApp::createAndOpen);
        connect(m_welcome, &WelcomeWindow::demoRequested, this, &CatalogueApp::copyDemoAndOpen);
        connect(m_welcome, &WelcomeWindow::recentCatalogueRequested, this, &CatalogueApp::openRecent);
    }
    refreshRecent();
    m_welcome->show();
    m_welcome->raise();
    m_welcome->activateWindow();
    if (made)
        emit windowShown(m_welcome);
}

void CatalogueApp::refreshRecent()
{
    const QStringList folders = m_recent.folders();
    if (m_session)
        m_session->form().setRecentCatalogues(folders);
    if (m_welcome)
        m_welcome->setRecentCatalogues(folders);
}

} // namespace spartiti
