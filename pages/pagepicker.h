#pragma once

#include "error.h"

#include <QString>
#include <QWidget>

#include <optional>

class QCloseEvent;
class QLabel;
class QPushButton;

namespace spartiti {

class CatalogueDocument;
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

    PagePicker(Side side, CatalogueDocument &document, Notifier &notifier, QWidget *parent = nullptr);

    Side side() const { return m_side; }
    // The file chosen last in this window's file list; empty until the first choice.
    QString chosenPath() const { return m_chosenPath; }
    FolderBrowser *browser() const { return m_browser; }

signals:
    // Closed through the title bar: the window is going away.
    void discarded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void File1_Click(const QString &path);
    void showChosenFileGone(const QString &path);
    void Command1_Click();
    void Command2_Click();
    void attachDone(QObject *requester, int number, const std::optional<Error> &error);
    void showScoreNumber(int number);

    const Side m_side;
    CatalogueDocument &m_document;
    Module1 &m_state;
    Notifier &m_notifier;
    FolderBrowser *m_browser;
    QLabel *m_heading;        // Label2
    QLabel *m_chosenLabel;    // Label1
    QLabel *m_scoreLabel;     // left picker only: the score "Ok" will act on
    QPushButton *m_closeButton;
    QPushButton *m_okButton;
    PreviewPane *m_preview;   // the column right of the design's controls
    QString m_chosenPath;
};

} // namespace spartiti
