#pragma once

#include <QObject>
#include <QPointer>

namespace spartiti {

class AttachmentWindow;
class CatalogueDocument;
class Notifier;
class PagePicker;
class TrackWindow;

// The life of the three attachment windows (AttachmentWindow: the two page pickers and
// the track window). Each exists at most once: the first opening
// creates it (the track window reads the category list first), later openings bring the
// hidden window back with its state. "Chiudi" and a completed attach only hide a window;
// closing it through its title bar discards it, so that the next opening starts afresh.
// The windows are modeless and have no owner: the editor stays usable beside them.
class AttachmentWindows : public QObject
{
    Q_OBJECT

public:
    // The windows attach through the document, which makes each attach one undoable step
    // and tells the editor to show the new files.
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

private:
    PagePicker *createPicker(bool left);
    static void bringToFront(AttachmentWindow *window);

    CatalogueDocument &m_document;
    Notifier &m_notifier;
    QPointer<PagePicker> m_leftPicker;
    QPointer<PagePicker> m_rightPicker;
    QPointer<TrackWindow> m_trackWindow;
};

} // namespace spartiti
