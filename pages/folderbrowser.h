#pragma once

#include <QObject>
#include <QString>

class QColor;
class QFileSystemModel;
class QFont;
class QListView;
class QModelIndex;
class QTreeView;
class QWidget;

namespace spartiti {

// The folder list `Dir1` and file list `File1` that the page pickers and the track
// window share: Dir1 is the folder tree from "/" opened at the working folder, File1
// lists the plain, non-hidden files of the folder current in Dir1. Both views are made
// children of the given window, which places them. Browsing never changes the process's
// working folder: the lists only read.
class FolderBrowser : public QObject
{
    Q_OBJECT

public:
    explicit FolderBrowser(QWidget *window);

    QTreeView *folderList() const { return m_folderList; }   // Dir1
    QListView *fileList() const { return m_fileList; }       // File1
    QFileSystemModel *fileModel() const { return m_fileModel; }

    // The folder File1 lists, an absolute path.
    QString folder() const { return m_folder; }
    // Makes `path` the current folder of Dir1, and so the folder File1 lists.
    void openFolder(const QString &path);

    void setListFonts(const QFont &folderFont, const QFont &fileFont);
    void setListColours(const QColor &folderText, const QColor &fileText, const QColor &background);
    // Names the two lists for a screen reader; `what` is what the chosen file becomes.
    void describeLists(const QString &what);

signals:
    // The user selected a file in File1, with the mouse or the keyboard.
    void fileChosen(const QString &path);

private:
    void Dir1_Change(const QModelIndex &current);
    void fileSelectionChanged();
    void keepStartFolderInView();
    void stopFollowingStartFolder();

    QFileSystemModel *m_folderModel;
    QFileSystemModel *m_fileModel;
    QTreeView *m_folderList;
    QListView *m_fileList;
    QString m_folder;
    QString m_startFolder;
    bool m_followStartFolder = true;
};

} // namespace spartiti
