#pragma once

#include "error.h"

#include <QString>
#include <QWidget>

#include <array>
#include <optional>

class QCloseEvent;
class QLabel;
class QPushButton;

namespace spartiti {

class AttachJob;
class AttachRunner;
class FolderBrowser;
class Module1;
class Notifier;
class TrackDuration;

// The window `mp3`: one click on a category button copies the chosen file as the track
// of the score on show in the editor and files that same score under the category.
// The captions are the category names held in Module1, so the list must be loaded
// before the window is made.
class TrackWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int CategoryButtons = 33;

    TrackWindow(Module1 &state, Notifier &notifier, QWidget *parent = nullptr);
    // A copy still running is cancelled and waited for.
    ~TrackWindow() override;

    QString chosenPath() const { return m_chosenPath; }
    // A file given from outside the browser (dropped on the editor), chosen as if clicked.
    void chooseFile(const QString &path);
    FolderBrowser *browser() const { return m_browser; }
    // Command3(k), k = 1..33; nullptr outside.
    QPushButton *categoryButton(int k) const;
    // Reads the playing time of the chosen file for the `durata` line.
    TrackDuration *duration() const { return m_duration; }

signals:
    // An attach to this score is about to be tried.
    void aboutToAttach(int scoreNumber);
    // The track and category of this score were set.
    void attached(int scoreNumber);
    // Closed through the title bar: the window is going away.
    void discarded();
    // A copy of this window runs (true) or is over (false).
    void copyRunning(bool running);

protected:
    void closeEvent(QCloseEvent *event) override;
    // The arrow keys among the category buttons.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void File1_Click(const QString &path);
    void showChosenFileGone(const QString &path);
    void Command1_Click();
    void Command3_Click(int index);
    void attachDone(const AttachJob &job, const std::optional<Error> &error);
    void showScoreNumber(int number);
    void showDuration(const QString &path, std::optional<qint64> milliseconds);

    Module1 &m_state;
    Notifier &m_notifier;
    FolderBrowser *m_browser;
    QPushButton *m_closeButton;     // Command1
    QLabel *m_chosenLabel;          // Label1
    QLabel *m_scoreLabel;           // the score a category click acts on
    QLabel *m_durationLabel;        // the chosen file's playing time, under Label1
    TrackDuration *m_duration;
    AttachRunner *m_runner;
    std::array<QPushButton *, CategoryButtons> m_categoryButtons{};
    QString m_chosenPath;
};

} // namespace spartiti
