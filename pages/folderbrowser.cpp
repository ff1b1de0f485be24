#include "folderbrowser.h"

#include "filelistview.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QScrollBar>
#include <QTreeView>

namespace spartiti {

namespace {

void setViewColours(QWidget *view, const QColor &text, const QColor &background)
{
    QPalette palette = view->palette();
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::WindowText, text);   // the tree's branch arrows
    palette.setColor(QPalette::Base, background);
    view->setPalette(palette);
}

} // namespace

FolderBrowser::FolderBrowser(const QString &startFolder, QWidget *window)
    : QObject(window)
    , m_folderModel(new QFileSystemModel(this))
    , m_fileModel(new QFileSystemModel(this))
    , m_folderList(new QTreeView(window))
    , m_fileList(new FileListView(window))
    , m_startFolder(startFolder)
{
    setObjectName(QStringLiteral("folderBrowser"));

    // Hidden folders are listed too, so that a catalogue inside one can be shown.
    m_folderModel->setFilter(QDir::AllDirs | QDir::Hidden | QDir::NoDotAndDotDot);
    m_folderModel->setRootPath(QStringLiteral("/"));
    m_folderList->setObjectName(QStringLiteral("Dir1"));
    m_folderList->setModel(m_folderModel);
    m_folderList->setHeaderHidden(true);
    for (int column = 1; column < m_folderModel->columnCount(); ++column)
        m_folderList->hideColumn(column);
    m_folderList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_folderList->setSelectionMode(QAbstractItemView::SingleSelection);

    // No QDir::Hidden and no QDir::System: dot-files, sockets and broken links stay out.
    m_fileModel->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    m_fileList->setObjectName(QStringLiteral("File1"));
    m_fileList->setModel(m_fileModel);
    m_fileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);

    connect(m_folderList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderBrowser::Dir1_Change);
    // A mouse press makes the item current before it selects it, the keyboard selects
    // before it makes current: a file counts as chosen once it is both, in the course of
    // the user's own mouse or key event. The view also makes an item current, or
    // selects one, when it gets the focus or when files change under it; none of that
    // is a choice of the user's.
    connect(m_fileList->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &FolderBrowser::fileSelectionChanged);
    connect(m_fileList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FolderBrowser::fileSelectionChanged);
    // The list changes when files change under it: then the chosen file may be gone.
    connect(m_fileModel, &QAbstractItemModel::rowsRemoved, this, &FolderBrowser::checkChosenFile);
    connect(m_fileModel, &QAbstractItemModel::rowsInserted, this, &FolderBrowser::checkChosenFile);
    connect(m_fileModel, &QAbstractItemModel::dataChanged, this, &FolderBrowser::checkChosenFile);
    connect(m_fileModel, &QAbstractItemModel::layoutChanged, this, &FolderBrowser::checkChosenFile);
    connect(m_fileModel, &QAbstractItemModel::modelReset, this, &FolderBrowser::checkChosenFile);
    // The tree fills in and sorts itself after the window is up, which moves the start
    // folder out of sight; it is brought back until the user scrolls or opens another
    // folder. Queued, so that the view has laid out the change first.
    connect(m_folderModel, &QFileSystemModel::directoryLoaded, this,
            &FolderBrowser::keepStartFolderInView, Qt::QueuedConnection);
    connect(m_folderModel, &QFileSystemModel::layoutChanged, this,
            &FolderBrowser::keepStartFolderInView, Qt::QueuedConnection);
    connect(m_folderList->verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &FolderBrowser::stopFollowingStartFolder);

    openFolder(m_startFolder);
}

void FolderBrowser::openFolder(const QString &path)
{
    const QModelIndex index = m_folderModel->index(QDir(path).absolutePath());
    m_folderList->setCurrentIndex(index);
    m_folderList->expand(index);
    m_folderList->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void FolderBrowser::setListFonts(const QFont &folderFont, const QFont &fileFont)
{
    m_folderList->setFont(folderFont);
    m_fileList->setFont(fileFont);
}

void FolderBrowser::setListColours(const QColor &folderText, const QColor &fileText,
                                   const QColor &background)
{
    setViewColours(m_folderList, folderText, background);
    setViewColours(m_fileList, fileText, background);
}

void FolderBrowser::describeLists(const QString &what)
{
    m_folderList->setAccessibleName(QStringLiteral("Cartelle"));
    m_folderList->setAccessibleDescription(QStringLiteral("Apri una cartella per elencarne i file"));
    m_fileList->setAccessibleName(QStringLiteral("File"));
    m_fileList->setAccessibleDescription(QStringLiteral("Il file selezionato qui diventa %1").arg(what));
}

void FolderBrowser::Dir1_Change(const QModelIndex &current)
{
    if (!current.isValid())
        return;
    m_folder = m_folderModel->filePath(current);
    if (m_folder != m_startFolder)
        stopFollowingStartFolder();
    m_fileList->selectionModel()->clear();
    m_fileList->setRootIndex(m_fileModel->setRootPath(m_folder));
}

void FolderBrowser::fileSelectionChanged()
{
    const QModelIndex current = m_fileList->currentIndex();
    if (!m_fileList->isUserActing() || !current.isValid()
        || current.parent() != m_fileList->rootIndex()
        || !m_fileList->selectionModel()->isSelected(current) || m_fileModel->isDir(current))
        return;
    m_chosenPath = m_fileModel->filePath(current);
    m_chosenGone = false;
    emit fileChosen(m_chosenPath);
}

// Asked of the file system itself, not of the list, which may lag behind it.
void FolderBrowser::checkChosenFile()
{
    if (m_chosenPath.isEmpty() || QFileInfo(m_chosenPath).isFile() == !m_chosenGone)
        return;
    m_chosenGone = !m_chosenGone;
    if (m_chosenGone)
        emit chosenFileGone(m_chosenPath);
    else
        emit fileChosen(m_chosenPath);
}

void FolderBrowser::keepStartFolderInView()
{
    if (m_followStartFolder)
        m_folderList->scrollTo(m_folderModel->index(m_startFolder),
                               QAbstractItemView::PositionAtCenter);
}

void FolderBrowser::stopFollowingStartFolder()
{
    m_followStartFolder = false;
}

} // namespace spartiti
