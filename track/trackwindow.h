#pragma once

#include "attachmentwindow.h"
#include "catalogue.h"

#include <array>
#include <optional>

class QLabel;
class QPushButton;

namespace spartiti {

class TrackDuration;

// The window `mp3`: one click on a category button copies the chosen file as the track
// of the score on show in the editor and files that same score under the category.
// The captions are the document's category names, so the list must be read before the
// window is made.
class TrackWindow : public AttachmentWindow
{
    Q_OBJECT

public:
    static constexpr int CategoryButtons = ScoreCatalogue::CategoryCount;

    TrackWindow(CatalogueDocument &document, Notifier &notifier, QWidget *parent = nullptr);

    // A file given from outside the browser (dropped on the editor), chosen as if clicked.
    void chooseFile(const QString &path);
    // Command3(k), k = 1..33; nullptr outside.
    QPushButton *categoryButton(int k) const;
    // Reads the playing time of the chosen file for the `durata` line.
    TrackDuration *duration() const { return m_duration; }

protected:
    // The arrow keys among the category buttons.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showFileDetails(const QString &path) override;
    void showScoreNumber(int number) override;
    void attachSucceeded() override;

private:
    void Command3_Click(int index);
    void showDuration(const QString &path, std::optional<qint64> milliseconds);

    QPushButton *m_closeButton;     // Command1
    QLabel *m_chosenLabel;          // Label1
    QLabel *m_scoreLabel;           // the score a category click acts on
    QLabel *m_durationLabel;        // the chosen file's playing time, under Label1
    TrackDuration *m_duration;
    std::array<QPushButton *, CategoryButtons> m_categoryButtons{};
};

} // namespace spartiti
