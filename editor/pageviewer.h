#pragma once

#include "cataloguefolder.h"
#include "pageorder.h"

#include <QFutureWatcher>
#include <QImage>
#include <QPointF>
#include <QWidget>

#include <functional>

namespace spartiti {

// A page at full size: fitted to the window at first, zoomed with the wheel and with
// + / − / 0 (100%), moved by dragging, and paged through in reading order with Page
// Down and Page Up; Escape closes it. The picture the editor already has (its box's
// size) shows at once; the full-size one is decoded on a worker thread and replaces
// it when ready.
class PageViewer : public QWidget
{
    Q_OBJECT

public:
    // What the viewer asks of the editor: how many scores there are, and the picture
    // it already has of a page file (null when it has none).
    using PreviewSource = std::function<QImage(const QString &path)>;

    PageViewer(const CatalogueFolder &folder, PreviewSource previews, std::function<int()> scoreCount,
               QWidget *parent = nullptr);
    ~PageViewer() override;

    void showPage(PageRef page);
    PageRef page() const { return m_page; }
    // Page Down and Page Up; false at either end.
    bool step(int direction);

    // 0 while fitted to the window.
    double zoom() const { return m_fitted ? 0 : m_scale; }
    bool isSharp() const { return m_sharp; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void decoded();
    void setScale(double scale, QPointF anchor);
    void fit();
    void clampOffset();
    QSize pageSize() const;

    CatalogueFolder m_folder;
    PreviewSource m_previews;
    std::function<int()> m_scoreCount;
    PageRef m_page;
    QImage m_image;
    QSize m_fullSize;         // the page's own size, once known
    QString m_problem;
    bool m_sharp = false;
    bool m_fitted = true;
    double m_scale = 1;       // window pixels per page pixel
    QPointF m_offset;         // where the page's top left corner is drawn
    QPoint m_dragFrom;
    QFutureWatcher<QImage> m_decoding;
};

} // namespace spartiti
