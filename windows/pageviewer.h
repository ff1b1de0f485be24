#pragma once

#include "cataloguefolder.h"
#include "pageorder.h"
#include "pageimage.h"

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
// it when ready; a page too large for the decode budget is shown reduced, and says so.
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
    // The picture on show, in its own pixels: the page's size once sharp.
    QSize pictureSize() const { return m_image.size(); }
    // Why the page is not sharp at 100%, shown along the window's bottom; empty otherwise.
    QString note() const { return m_note; }

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
    QString m_note;
    bool m_sharp = false;
    bool m_fitted = true;
    double m_scale = 1;       // window pixels per page pixel
    QPointF m_offset;         // where the page's top left corner is drawn
    QPoint m_dragFrom;
    QFutureWatcher<PageImage> m_decoding;
};

} // namespace spartiti
