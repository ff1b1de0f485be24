#include "filelistview.h"

#include <QScopedValueRollback>

namespace spartiti {

void FileListView::mousePressEvent(QMouseEvent *event)
{
    const QScopedValueRollback acting(m_userEvents, m_userEvents + 1);
    QListView::mousePressEvent(event);
}

void FileListView::mouseMoveEvent(QMouseEvent *event)
{
    const QScopedValueRollback acting(m_userEvents, m_userEvents + 1);
    QListView::mouseMoveEvent(event);
}

void FileListView::mouseReleaseEvent(QMouseEvent *event)
{
    const QScopedValueRollback acting(m_userEvents, m_userEvents + 1);
    QListView::mouseReleaseEvent(event);
}

void FileListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QScopedValueRollback acting(m_userEvents, m_userEvents + 1);
    QListView::mouseDoubleClickEvent(event);
}

void FileListView::keyPressEvent(QKeyEvent *event)
{
    const QScopedValueRollback acting(m_userEvents, m_userEvents + 1);
    QListView::keyPressEvent(event);
}

} // namespace spartiti
