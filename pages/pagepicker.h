#pragma once

#include "attachmentwindow.h"

class QLabel;
class QPushButton;

namespace spartiti {

class PreviewPane;

// A page picker: the window `sinistra` attaches a score's left page, `destra` its right
// page. One design for both; the side decides the title, the heading, the layout and
// colours, and which files "Ok" writes. The window acts on the score on show in the
// editor at the moment of "Ok", and shows that score's number while it is open.
class PagePicker : public AttachmentWindow
{
    Q_OBJECT

public:
    enum class Side { Left, Right };

    PagePicker(Side side, CatalogueDocument &document, Notifier &notifier, QWidget *parent = nullptr);

    Side side() const { return m_side; }

protected:
    void showFileDetails(const QString &path) override;
    void showScoreNumber(int number) override;
    void attachSucceeded() override;

private:
    void Command2_Click();

    const Side m_side;
    QLabel *m_heading;        // Label2
    QLabel *m_chosenLabel;    // Label1
    QLabel *m_scoreLabel;     // left picker only: the score "Ok" will act on
    QPushButton *m_closeButton;
    QPushButton *m_okButton;
    PreviewPane *m_preview;   // the column right of the design's controls
};

} // namespace spartiti
