#pragma once

#include "catalogue.h"
#include "error.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QCloseEvent;
class QLabel;
class QPushButton;

namespace spartiti {

class CatalogueDocument;
class FolderBrowser;
class Module1;
class Notifier;
class TrackDuration;

// The window `mp3`: one click on a category button copies the chosen file as the track
// of the score on show in the editor and files that same score under the category.
// The captions are the document's category names, so the list must be read before the
// window is made.
class TrackWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int CategoryButtons = ScoreCatalogue::CategoryCount;

    TrackWindow(CatalogueDocument &document, Notifier &notifier, QWidget *parent = nullptr);

    QString chosenPath() const { return m_chosenPath; }
    // A file given from outside the browser (dropped on the editor), chosen as if clicked.
    void chooseFile(const QString &path);
    FolderBrowser *browser() const { return m_browser; }
    // Command3(k), k = 1..33; nullptr outside.
    QPushButton *categoryButton(int k) const;
    // Reads the playing time of the chosen file for the `durata` line.
    TrackDuration *duration() const { return m_duration; }

signals:
    // Closed through the title bar: the window is going away.
    void discarded();

protected:
    void closeEvent(QCloseEvent *event) override;
    // The arrow keys among the category buttons.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void File1_Click(const QString &path);
    void showChosenFileGone(const QString &path);
    void Command1_Click();
    void Command3_Click(int index);
    void attachDone(QObject *requester, int number, const std::optional<Error> &error);
    void showScoreNumber(int number);
    void showDuration(const QString &path, std::optional<qint64> milliseconds);

    CatalogueDocument &m_document;
    Module1 &m_state;
    Notifier &m_notifier;
    FolderBrowser *m_browser;
    QPushButton *m_closeButton;     // Command1
    QLabel *m_chosenLabel;          // Label1
    QLabel *m_scoreLabel;           // the score a category click acts on
    QLabel *m_durationLabel;        // the chosen file's playing time, under Label1
    TrackDuration *m_duration;
    std::array<QPushButton *, CategoryButtons> m_categoryButtons{};
    QString m_chosenPath;
};

} // namespace spartiti
