#pragma once

#include <QStringList>
#include <QWidget>

class QListWidget;

namespace spartiti {

// What the program shows when there is no catalogue to open (the first start, or the
// last catalogue gone): open a catalogue, make a new one, or try the demo catalogue, or
// pick one of the catalogues used last. The program ends when the user closes it.
class WelcomeWindow : public QWidget
{
    Q_OBJECT

public:
    explicit WelcomeWindow(QWidget *parent = nullptr);

    void setRecentCatalogues(const QStringList &folders);

signals:
    void openCatalogueRequested();
    void newCatalogueRequested();
    void demoRequested();
    void recentCatalogueRequested(const QString &folder);

private:
    void openChosenRecent();

    QListWidget *m_recent;
};

} // namespace spartiti
