#pragma once

#include "error.h"

#include <QString>
#include <QWidget>

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
class PreviewPane;

// A page picker: the window `sinistra` attaches a score's left page, `destra` its right
// page. One design for both; the side decides the title, the heading, the layout and
// colours, and which files "Ok" writes. The window acts on the score on show in the
// editor at the moment of "Ok", and shows that score's number while it is open.
class PagePicker : public QWidget
{
    Q_OBJECT

public:
    enum class Side { Left, Right };

    PagePicker(Side side, Module1 &state, Notifier &notifier, QWidget *parent = nullptr);
    // A copy still running is cancelled and waited for.
    ~PagePicker() override;

    Side side() const { return m_side; }
    // The file chosen last in this window's file list; empty until the first choice.
    QString chosenPath() const { return m_chosenPath; }
    FolderBrowser *browser() const { return m_browser; }

signals:
    // An attach to this score is about to be tried.
    void aboutToAttach(int scoreNumber);
    // Files of this score were written: the editor shows them if it shows the score.
    void attached(int scoreNumber);
    // Closed through the title bar: the window is going away.
    void discarded();
    // A copy of this window runs (true) or is over (false).
    void copyRunning(bool running);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void File1_Click(const QString &path);
    void showChosenFileGone(const QString &path);
    void Command1_Click();
    void Command2_Click();
    void attachDone(const AttachJob &job, const std::optional<Error> &error);
    void showScoreNumber(int number);

    const Side m_side;
    Module1 &m_state;
    Notifier &m_notifier;
    FolderBrowser *m_browser;
    QLabel *m_heading;        // Label2
    QLabel *m_chosenLabel;    // Label1
    QLabel *m_scoreLabel;     // left picker only: the score "Ok" will act on
    QPushButton *m_closeButton;
    QPushButton *m_okButton;
    PreviewPane *m_preview;   // the column right of the design's controls
    AttachRunner *m_runner;
    QString m_chosenPath;
};

} // namespace spartiti
