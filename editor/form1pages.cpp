// The pages beyond their boxes: a page opened at full size in the viewer, and files
// dropped from a file manager on a page box or on the track icon's place (or elsewhere
// on the window, to import them).

#include "scorefile.h"
#include "attachprogress.h"
#include "cataloguedocument.h"
#include "form1.h"
#include "module1.h"
#include "notifier.h"
#include "pageviewer.h"
#include "cataloguefolder.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QShortcut>
#include <QTimer>

namespace spartiti {

void Form1::openPageViewer(bool right)
{
    const int number = VScroll1->value();
    const QString path = right ? m_document.folder().rightPage(number) : m_document.folder().leftPage(number);
    if (!paths::isPresentFile(path))
        return;
    if (!m_pageViewer) {
        m_pageViewer = new PageViewer(
            m_document.folder(),
            [this](const QString &page) {
                const std::optional<PageImage> cached = m_pageCache->find(PageCache::keyFor(page));
                return cached ? cached->picture : QImage();
            },
            [this] { return int(m_document.catalogue().scoreCount()); }, this);
    }
    m_pageViewer->showPage({number, right});
    m_pageViewer->show();
    m_pageViewer->raise();
    m_pageViewer->activateWindow();
}

std::optional<DropTarget> Form1::dropTargetAt(const QPoint &position) const
{
    if (Image1->geometry().contains(position))
        return DropTarget::LeftPage;
    if (Image2->geometry().contains(position))
        return DropTarget::RightPage;
    // The icon's place takes a track whether or not the score has one.
    if (Picture1->geometry().contains(position))
        return DropTarget::Track;
    return std::nullopt;
}

bool Form1::dropFiles(const QMimeData *data, DropTarget target)
{
    const DropCheck check = checkDrop(data->urls(), target);
    if (!check.accepted()) {
        m_notifier.warn(check.refusal);
        return false;
    }
    const int number = m_state.currentNumber();
    if (target == DropTarget::Track) {
        // As "Associa una base Mp3": the category click in the track window attaches.
        emit trackFileDropped(check.path);
        return true;
    }
    // The same attach as the page pickers' "Ok", confirmed once the copy is over. True
    // when the copy started.
    const auto kind = target == DropTarget::LeftPage ? ScoreFile::LeftPage : ScoreFile::RightPage;
    if (const auto error = startAttachAsking(m_document, m_notifier, kind, number, check.path, 0, this)) {
        m_notifier.warn(error->message);
        return false;
    }
    return true;
}

void Form1::dropAttachDone(QObject *requester, int, const std::optional<Error> &error)
{
    if (requester == this && reportAttachOutcome(m_notifier, error))
        m_notifier.inform(QStringLiteral("il file è stato spostato nella cartella spartiti con successo!"));
}

// While files are dragged over the window, a frame shows the box they would go to; a
// drop elsewhere is not taken.
bool Form1::handleDrag(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        const auto target = drag->mimeData()->hasUrls() ? dropTargetAt(drag->position().toPoint()) : std::nullopt;
        if (!target) {
            m_dropFrame->hide();
            // Entering must be accepted for the moves over the boxes to follow; PDFs and
            // images dropped outside the boxes are imported as new scores.
            if ((event->type() == QEvent::DragEnter && drag->mimeData()->hasUrls())
                || !importableFiles(drag->mimeData()).isEmpty())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        QLabel *const box = *target == DropTarget::LeftPage ? Image1 : *target == DropTarget::RightPage ? Image2 : Picture1;
        m_dropFrame->setGeometry(box->geometry().adjusted(-3, -3, 3, 3));
        m_dropFrame->show();
        m_dropFrame->raise();
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::DragLeave:
        m_dropFrame->hide();
        return true;
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        m_dropFrame->hide();
        const auto target = dropTargetAt(drop->position().toPoint());
        if (!target) {
            const QStringList files = importableFiles(drop->mimeData());
            if (files.isEmpty()) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            // The import asks in a dialog: not while the drag source waits for the drop.
            QTimer::singleShot(0, this, [this, files] { importFiles(files); });
            return true;
        }
        drop->acceptProposedAction();
        dropFiles(drop->mimeData(), *target);
        return true;
    }
    default:
        return false;
    }
}

void Form1::buildPageActions()
{
    // The page boxes take the focus after the track icon; Enter opens the page at full
    // size, as a double-click does.
    for (QLabel *box : {Image1, Image2}) {
        box->setFocusPolicy(Qt::StrongFocus);
        box->setAccessibleDescription(QStringLiteral("Invio o doppio clic mostra la pagina a grandezza intera"));
        for (const QKeySequence &key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
            new QShortcut(key, box, this, [this, box] { openPageViewer(box == Image2); }, Qt::WidgetShortcut);
    }
    setTabOrder(Picture1, Image1);
    setTabOrder(Image1, Image2);
    setTabOrder(Image2, m_searchField);

    connect(&m_document, &CatalogueDocument::attachFinished, this, &Form1::dropAttachDone);
    new AttachProgress(m_document, this);
    m_client->setAcceptDrops(true);
    m_client->installEventFilter(this);
    m_dropFrame = new QFrame(m_client);
    m_dropFrame->setObjectName(QStringLiteral("destinazione"));
    m_dropFrame->setFrameShape(QFrame::Box);
    m_dropFrame->setLineWidth(3);
    m_dropFrame->setStyleSheet(QStringLiteral("QFrame#destinazione { border: 3px solid #ffd200; }"));
    m_dropFrame->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_dropFrame->hide();
}

} // namespace spartiti
