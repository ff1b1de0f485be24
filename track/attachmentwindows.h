#pragma once

#include <QObject>
#include <QPointer>

namespace spartiti {

class CatalogueDocument;
class Module1;
class Notifier;
class PagePicker;
class TrackWindow;

// The life of the three attachment windows. Each exists at most once: the first opening
// creates it (the track window reads the category list first), later openings bring the
// hidden window back with its state. "Chiudi" and a completed attach only hide a window;
// closing it through its title bar discards it, so that the next opening starts afresh.
// The windows are modeless and have no owner: the editor stays usable beside them.
class AttachmentWindows : public QObject
{
    Q_OBJECT

public:
    // Each attach is reported to the document, which keeps aside what it replaces so that
    // it can be undone, and tells the editor to show the new files.
    AttachmentWindows(CatalogueDocument &document, Notifier &notifier, QObject *parent = nullptr);
    ~AttachmentWindows() override;

    // The windows as they exist now; nullptr before the first opening and after a
    // discard.
    PagePicker *leftPicker() const;
    PagePicker *rightPicker() const;
    TrackWindow *trackWindow() const;

public slots:
    void openLeftPicker();
    void openRightPicker();
    void openTrackWindow();
    // The track window with this file already chosen: a category click attaches it.
    void openTrackWindowWith(const QString &path);

signals:
    // An attach to this score is about to be tried ("Ok" or a category button), and
    // files of this score were written (pages or track); the document hears both first.
    void aboutToAttach(int scoreNumber);
    void attached(int scoreNumber);
    // A copy into the data folder started (true) or ended (false): the folder is not
    // reorganised meanwhile.
    void copyRunningChanged(bool running);

private:
    PagePicker *createPicker(bool left);
    template<typename Window> void reportAttaches(Window *window);
    static void bringToFront(QWidget *window);

    CatalogueDocument &m_document;
    Module1 &m_state;
    Notifier &m_notifier;
    QPointer<PagePicker> m_leftPicker;
    QPointer<PagePicker> m_rightPicker;
    QPointer<TrackWindow> m_trackWindow;
};

} // namespace spartiti
