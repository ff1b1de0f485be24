#include "pageviewer.h"

#include "cataloguefolder.h"

#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

namespace spartiti {

namespace {

constexpr double MinimumScale = 0.05;
constexpr double MaximumScale = 8;
constexpr double ZoomStep = 1.25;

QString pagePath(const CatalogueFolder &folder, PageRef page)
{
    return page.right ? folder.rightPage(page.number) : folder.leftPage(page.number);
}

} // namespace

PageViewer::PageViewer(const CatalogueFolder &folder, PreviewSource previews, std::function<int()> scoreCount,
                       QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_folder(folder)
    , m_previews(std::move(previews))
    , m_scoreCount(std::move(scoreCount))
{
    setObjectName(QStringLiteral("paginaIntera"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::OpenHandCursor);
    setAccessibleDescription(QStringLiteral("Rotella, + e − ingrandiscono, 0 mostra al 100%, Pagina giù e Pagina su "
                                            "passano alla pagina seguente o precedente, Esc chiude"));
    QPalette dark = palette();
    dark.setColor(QPalette::Window, QColor(48, 48, 48));
    dark.setColor(QPalette::WindowText, Qt::lightGray);
    setPalette(dark);
    setAutoFillBackground(true);
    connect(&m_decoding, &QFutureWatcher<PageImage>::finished, this, &PageViewer::decoded);
    resize(900, 1000);
}

// A decode still running finishes on its own in the thread pool; its result is dropped.
PageViewer::~PageViewer() = default;

void PageViewer::showPage(PageRef page)
{
    m_page = page;
    const QString path = pagePath(m_folder, page);
    const QString side = page.right ? QStringLiteral("destra") : QStringLiteral("sinistra");
    setWindowTitle(QStringLiteral("Spartito %1, pagina di %2").arg(page.number).arg(side));
    setAccessibleName(windowTitle());
    m_image = m_previews ? m_previews(path) : QImage();
    QImageReader header(path);
    header.setAutoTransform(true);
    m_fullSize = header.size();
    if (m_fullSize.isValid() && header.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        m_fullSize.transpose();
    m_problem.clear();
    m_note.clear();
    m_sharp = false;
    m_decoding.setFuture(QtConcurrent::run([path] { return decodeWholePage(path); }));
    fit();
}

void PageViewer::decoded()
{
    // A page left before its decode ended: the watcher follows the newest one only.
    if (!m_decoding.isFinished())
        return;
    const PageImage page = m_decoding.result();
    if (!page.isPicture()) {
        // The preview stays, and says that it is all there is.
        if (m_image.isNull())
            m_problem = QStringLiteral("La pagina non si può mostrare");
        else
            m_note = page.problem + QStringLiteral(": mostrata ridotta.");
        update();
        return;
    }
    // The view keeps its place on the page: only the pixels per page pixel change. A
    // reduced picture is drawn stretched to the page's own size.
    const QSize before = pageSize();
    m_image = page.picture;
    m_fullSize = page.reduced ? page.pixelSize : page.picture.size();
    m_sharp = !page.reduced;
    if (page.reduced)
        m_note = QStringLiteral("Pagina troppo grande per essere mostrata al 100%: mostrata ridotta.");
    if (before.isValid() && before != m_fullSize && !m_fitted)
        m_scale *= double(before.width()) / m_fullSize.width();
    if (m_fitted)
        fit();
    update();
}

bool PageViewer::step(int direction)
{
    const auto next = adjacentPage(m_page, direction, m_scoreCount(),
                                   [this](const PageRef &page) { return paths::isPresentFile(pagePath(m_folder, page)); });
    if (!next)
        return false;
    showPage(*next);
    return true;
}

QSize PageViewer::pageSize() const
{
    return m_fullSize.isValid() ? m_fullSize : m_image.size();
}

void PageViewer::fit()
{
    m_fitted = true;
    const QSize size = pageSize();
    if (size.isEmpty()) {
        update();
        return;
    }
    m_scale = std::min(double(width()) / size.width(), double(height()) / size.height());
    m_offset = QPointF((width() - size.width() * m_scale) / 2, (height() - size.height() * m_scale) / 2);
    update();
}

void PageViewer::setScale(double scale, QPointF anchor)
{
    scale = std::clamp(scale, MinimumScale, MaximumScale);
    // The page point under the anchor stays under it.
    const QPointF onPage = (anchor - m_offset) / m_scale;
    m_scale = scale;
    m_fitted = false;
    m_offset = anchor - onPage * m_scale;
    clampOffset();
    update();
}

// A page smaller than the window stays centred; a larger one cannot leave a gap at
// an edge it covers.
void PageViewer::clampOffset()
{
    const QSizeF drawn = QSizeF(pageSize()) * m_scale;
    const auto clampAxis = [](double offset, double drawnLength, double windowLength) {
        if (drawnLength <= windowLength)
            return (windowLength - drawnLength) / 2;
        return std::clamp(offset, windowLength - drawnLength, 0.0);
    };
    m_offset = QPointF(clampAxis(m_offset.x(), drawn.width(), width()),
                       clampAxis(m_offset.y(), drawn.height(), height()));
}

void PageViewer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_image.isNull()) {
        painter.drawText(rect(), Qt::AlignCenter,
                         m_problem.isEmpty() ? QStringLiteral("Caricamento della pagina…") : m_problem);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, m_scale < 1);
    const QRectF target(m_offset, QSizeF(pageSize()) * m_scale);
    painter.drawImage(target, m_image);
    if (!m_note.isEmpty()) {
        const QRect band(0, height() - 2 * fontMetrics().height(), width(), 2 * fontMetrics().height());
        painter.fillRect(band, QColor(0, 0, 0, 170));
        painter.setPen(Qt::white);
        painter.drawText(band, Qt::AlignCenter, m_note);
    }
}

void PageViewer::keyPressEvent(QKeyEvent *event)
{
    const QPointF centre(width() / 2.0, height() / 2.0);
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        setScale(m_scale * ZoomStep, centre);
        return;
    case Qt::Key_Minus:
        setScale(m_scale / ZoomStep, centre);
        return;
    case Qt::Key_0:
        setScale(1, centre);
        return;
    case Qt::Key_PageDown:
        step(1);
        return;
    case Qt::Key_PageUp:
        step(-1);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void PageViewer::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta != 0)
        setScale(m_scale * std::pow(ZoomStep, delta / 120.0), event->position());
    event->accept();
}

void PageViewer::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_dragFrom = event->position().toPoint();
        setCursor(Qt::ClosedHandCursor);
    }
}

void PageViewer::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint now = event->position().toPoint();
    const QPoint moved = now - m_dragFrom;
    m_dragFrom = now;
    // A fitted page is whole in the window: nothing to move.
    if (m_fitted)
        return;
    m_offset += moved;
    clampOffset();
    update();
}

void PageViewer::mouseReleaseEvent(QMouseEvent *)
{
    setCursor(Qt::OpenHandCursor);
}

void PageViewer::resizeEvent(QResizeEvent *)
{
    if (m_fitted)
        fit();
    else
        clampOffset();
}

} // namespace spartiti
