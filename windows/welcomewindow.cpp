#include "welcomewindow.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace spartiti {

WelcomeWindow::WelcomeWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_recent(new QListWidget(this))
{
    setObjectName(QStringLiteral("benvenuto"));
    setWindowTitle(QStringLiteral("Archivio Spartiti 3.01"));

    auto *heading = new QLabel(QStringLiteral("<b>Benvenuto in Archivio Spartiti</b>"), this);
    auto *text = new QLabel(QStringLiteral("Non c'è ancora un catalogo da aprire. Un catalogo è una cartella "
                                           "\"spartiti\" con l'archivio \"archivio.js\", le pagine e le basi."),
                            this);
    text->setWordWrap(true);

    const auto button = [this](const QString &caption, const char *name, void (WelcomeWindow::*signal)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, this, signal);
        return b;
    };
    QPushButton *open = button(QStringLiteral("&Apri un catalogo..."), "apriCatalogo",
                               &WelcomeWindow::openCatalogueRequested);
    QPushButton *create = button(QStringLiteral("&Nuovo catalogo..."), "nuovoCatalogo",
                                 &WelcomeWindow::newCatalogueRequested);
    QPushButton *demo = button(QStringLiteral("Prova il catalogo di &esempio..."), "catalogoEsempio",
                               &WelcomeWindow::demoRequested);

    m_recent->setObjectName(QStringLiteral("recenti"));
    m_recent->setAccessibleName(QStringLiteral("Cataloghi recenti"));
    auto *recentLabel = new QLabel(QStringLiteral("Cataloghi &recenti:"), this);
    recentLabel->setBuddy(m_recent);
    connect(m_recent, &QListWidget::itemActivated, this, &WelcomeWindow::openChosenRecent);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(text);
    layout->addWidget(open);
    layout->addWidget(create);
    layout->addWidget(demo);
    layout->addWidget(recentLabel);
    layout->addWidget(m_recent);
    resize(480, 360);
    open->setFocus();
}

void WelcomeWindow::setRecentCatalogues(const QStringList &folders)
{
    m_recent->clear();
    for (const QString &folder : folders) {
        auto *item = new QListWidgetItem(QDir::toNativeSeparators(folder), m_recent);
        item->setData(Qt::UserRole, folder);
    }
}

void WelcomeWindow::openChosenRecent()
{
    if (QListWidgetItem *item = m_recent->currentItem())
        emit recentCatalogueRequested(item->data(Qt::UserRole).toString());
}

} // namespace spartiti
