#pragma once

// Helpers for the window tests: choosing a file in a FolderBrowser the way a user does,
// and the windows left open.

#include "filesnapshot.h"
#include "folderbrowser.h"

#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QListView>
#include <QtTest>

namespace browsertesting {

inline QStringList visibleTopLevels()
{
    QStringList names;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible())
            names.append(widget->objectName());
    return names;
}

// Opens `folder` in Dir1 and waits until File1 lists all its files; returns the row
// of `name`.
inline QModelIndex waitForFile(spartiti::FolderBrowser *browser, const QString &folder,
                               const QString &name)
{
    browser->openFolder(folder);
    const QString path = QDir(folder).absoluteFilePath(name);
    QFileSystemModel *model = browser->fileModel();
    QListView *view = browser->fileList();
    const int files = int(QDir(folder).entryList(QDir::Files).size());
    [&] {
        QTRY_COMPARE(model->rowCount(model->index(QDir(folder).absolutePath())), files);
        QTRY_VERIFY2(view->visualRect(model->index(path)).isValid(), qPrintable(path));
    }();
    return model->index(path);
}

// Clicks the file `name` of `folder` in File1 with the mouse.
inline void clickFile(spartiti::FolderBrowser *browser, const QString &folder, const QString &name)
{
    const QModelIndex index = waitForFile(browser, folder, name);
    QListView *view = browser->fileList();
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

} // namespace browsertesting
