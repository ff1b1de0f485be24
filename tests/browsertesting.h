#pragma once

// Helpers for the window tests: the attachment windows of one document on a temporary
// data folder, and choosing a file in a FolderBrowser the way a user does.

#include "attachmentwindows.h"
#include "cataloguedocument.h"
#include "filesnapshot.h"
#include "folderbrowser.h"
#include "module1.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

namespace browsertesting {

inline QString label(QWidget *window, const char *name)
{
    auto *widget = window->findChild<QLabel *>(QLatin1String(name));
    return widget ? widget->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

// Clicks a button and waits for an attach it started to be over: the document runs
// every attach, and says when one ends.
inline void click(spartiti::CatalogueDocument &document, QAbstractButton *button)
{
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(!document.attachRunning());
}

inline void click(spartiti::CatalogueDocument &document, QWidget *window, const char *button)
{
    click(document, window->findChild<QPushButton *>(QLatin1String(button)));
}

// Opens `folder` in Dir1 and waits until File1 lists all its files; returns the row
// of `name`.
inline QModelIndex waitForFile(spartiti::FolderBrowser *browser, const QString &folder,
                               const QString &name)
{
    browser->openFolder(folder);
    const QString path = QDir(folder).absoluteFilePath(name);
    QFileSystemModel *model = browser->fileModel();
    const int files = int(QDir(folder).entryList(QDir::Files).size());
    [&] {
        QTRY_COMPARE(model->rowCount(model->index(QDir(folder).absolutePath())), files);
        QTRY_VERIFY2(browser->fileList()->visualRect(model->index(path)).isValid(), qPrintable(path));
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

// The temporary folder, the document on its catalogue with the score on show at
// `current`, and the windows the editor opens; the chosen files live in `pick/`.
struct AttachFixture
{
    testsupport::WorkingFolder folder;
    spartiti::Module1 state;
    testsupport::RecordingNotifier notifier;
    spartiti::CatalogueDocument document{folder.catalogue(), state, notifier};
    spartiti::AttachmentWindows windows{document, notifier};
    // Files of a score were written by an attach (its number), as the editor hears it.
    QSignalSpy attached{&document, &spartiti::CatalogueDocument::filesChanged};

    explicit AttachFixture(int current)
    {
        QDir().mkpath(folder.file(QStringLiteral("pick/sub")));
        state.setCurrentNumber(current);
    }
    QString file(const QString &relative) const { return folder.file(relative); }
    QString pickFolder() const { return folder.file(QStringLiteral("pick")); }
    void click(QAbstractButton *button) { browsertesting::click(document, button); }
    void click(QWidget *window, const char *button) { browsertesting::click(document, window, button); }
    // What the editor's buttons for the pages and the track open.
    spartiti::PagePicker *openPicker(bool left)
    {
        left ? windows.openLeftPicker() : windows.openRightPicker();
        return left ? windows.leftPicker() : windows.rightPicker();
    }
    spartiti::TrackWindow *openTrackWindow()
    {
        windows.openTrackWindow();
        return windows.trackWindow();
    }
    template<typename Window>
    void choose(Window *window, const QString &name) { clickFile(window->browser(), pickFolder(), name); }
};

} // namespace browsertesting
