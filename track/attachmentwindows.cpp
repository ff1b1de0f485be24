#include "attachmentwindows.h"

#include "attachmentwindow.h"
#include "cataloguedocument.h"
#include "notifier.h"
#include "pagepicker.h"
#include "trackwindow.h"

namespace spartiti {

namespace {

// A discarded window is deleted once its close is over; until then it must not be
// shown again, so the pointer is dropped at the close itself.
template<typename Window>
void forgetOnDiscard(Window *window, QPointer<Window> &slot, QObject *context)
{
    QObject::connect(window, &AttachmentWindow::discarded, context, [&slot] { slot = nullptr; });
}

// The windows have no parent so that they own no place in the editor; they do not keep
// the program alive once the editor is gone.
void makeSecondary(AttachmentWindow *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setAttribute(Qt::WA_QuitOnClose, false);
}

} // namespace

AttachmentWindows::AttachmentWindows(CatalogueDocument &document, Notifier &notifier, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_notifier(notifier)
{
    setObjectName(QStringLiteral("attachmentWindows"));
}

AttachmentWindows::~AttachmentWindows()
{
    delete m_leftPicker.data();
    delete m_rightPicker.data();
    delete m_trackWindow.data();
}

PagePicker *AttachmentWindows::leftPicker() const { return m_leftPicker; }
PagePicker *AttachmentWindows::rightPicker() const { return m_rightPicker; }
TrackWindow *AttachmentWindows::trackWindow() const { return m_trackWindow; }

void AttachmentWindows::openLeftPicker()
{
    if (!m_leftPicker)
        m_leftPicker = createPicker(true);
    bringToFront(m_leftPicker);
}

void AttachmentWindows::openRightPicker()
{
    if (!m_rightPicker)
        m_rightPicker = createPicker(false);
    bringToFront(m_rightPicker);
}

void AttachmentWindows::openTrackWindow()
{
    if (!m_trackWindow) {
        // The list is read at every creation of the window, so an edited generi.js
        // shows after the window was closed through its title bar.
        if (const auto error = m_document.reloadCategoryNames()) {
            m_notifier.warn(error->message);
            return;
        }
        auto *window = new TrackWindow(m_document, m_notifier);
        makeSecondary(window);
        forgetOnDiscard(window, m_trackWindow, this);
        m_trackWindow = window;
    }
    bringToFront(m_trackWindow);
}

void AttachmentWindows::openTrackWindowWith(const QString &path)
{
    openTrackWindow();
    if (m_trackWindow)
        m_trackWindow->chooseFile(path);
}

PagePicker *AttachmentWindows::createPicker(bool left)
{
    auto *picker = new PagePicker(left ? PagePicker::Side::Left : PagePicker::Side::Right,
                                  m_document, m_notifier);
    makeSecondary(picker);
    forgetOnDiscard(picker, left ? m_leftPicker : m_rightPicker, this);
    return picker;
}

void AttachmentWindows::bringToFront(AttachmentWindow *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace spartiti
