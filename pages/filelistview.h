#pragma once

#include <QListView>

namespace spartiti {

// The file list `File1`: a list view that tells a change of its current item or
// selection made by the user, with the mouse or the keyboard, from one the view makes
// by itself when the folder under it changes (a file deleted, renamed or replaced, the
// folder read again). Only the first kind is a choice.
class FileListView : public QListView
{
    Q_OBJECT

public:
    using QListView::QListView;

    // True while the view handles a mouse or key event of the user's.
    bool isUserActing() const { return m_userEvents > 0; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_userEvents = 0;
};

} // namespace spartiti
