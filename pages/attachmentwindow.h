#pragma once

#include "scorefile.h"
#include "error.h"

#include <QString>
#include <QWidget>

#include <optional>

class QCloseEvent;
class QLabel;
class QPushButton;
class QRect;

namespace spartiti {

class CatalogueDocument;
class FolderBrowser;
class Module1;
class Notifier;

// What the three attachment windows share: the page pickers `sinistra` and `destra` and
// the track window `mp3`. Each is a window of its own with the folder browser, a file
// chosen from it and named in Label1, a "Chiudi" that only hides it, the number of the
// score on show in the editor, and an attach of the chosen file to that score whose
// outcome is told once the copy is over.
class AttachmentWindow : public QWidget
{
    Q_OBJECT

public:
    // The file chosen last in this window's file list; empty until the first choice.
    QString chosenPath() const { return m_chosenPath; }
    FolderBrowser *browser() const { return m_browser; }

signals:
    // Closed through the title bar: the window is going away.
    void discarded();

protected:
    AttachmentWindow(CatalogueDocument &document, Notifier &notifier, QWidget *parent);

    // The button `Command1` "Chiudi" at `geometry`, which hides the window.
    QPushButton *makeCloseButton(const QRect &geometry);
    // The line that names the chosen file (Label1), made by the window where its design
    // puts it.
    void setChosenLabel(QLabel *label);
    // Shows the number of the score on show now and follows it from then on.
    void followScoreOnShow();
    // The chosen file becomes `path`, as if clicked in the file list.
    void chooseFromBrowser(const QString &path);
    // Copies the chosen file for the score on show; a refusal is warned about at once,
    // the outcome once the copy is over.
    void startAttach(ScoreFile kind, int categoryCode);

    // What the window shows of the chosen file besides its name; `path` is empty when
    // the file is gone.
    virtual void showFileDetails(const QString &path) = 0;
    virtual void showScoreNumber(int number) = 0;
    // The attach this window asked for is done; a failure was told to the user already.
    virtual void attachSucceeded() = 0;

    void closeEvent(QCloseEvent *event) override;

    CatalogueDocument &m_document;
    Module1 &m_state;
    Notifier &m_notifier;
    FolderBrowser *const m_browser;

private:
    void showChosenFileGone(const QString &path);
    void attachDone(QObject *requester, int number, const std::optional<Error> &error);

    QLabel *m_chosenLabel = nullptr;
    QString m_chosenPath;
};

} // namespace spartiti
