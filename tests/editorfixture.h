#pragma once

// One editor window on a temporary data folder, driven through its widgets by
// objectName, for the tests of the editor.

#include "cataloguedocument.h"
#include "form1.h"
#include "cataloguefolder.h"
#include "module1.h"
#include "testsupport.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QUndoStack>
#include <QtTest>

#include <memory>

namespace testsupport {

// For each window test's cleanup: no window may be left open.
inline void verifyNoWindowOpen()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY2(!widget->isVisible(), qPrintable(widget->objectName()));
}

struct EditorFixture
{
    WorkingFolder folder;
    spartiti::Module1 state;
    RecordingNotifier notifier;
    spartiti::CatalogueDocument document{folder.catalogue(), state, notifier};
    std::unique_ptr<spartiti::Form1> form;

    explicit EditorFixture(const QByteArray &archive)
    {
        writeFile(document.folder().archive(), archive);
        form = std::make_unique<spartiti::Form1>(document, notifier);
    }
    // On an archive of `records` numbered records ("Titolo k", "Autore k").
    explicit EditorFixture(int records)
        : EditorFixture(archiveBytes(numberedRecords(records)))
    {
    }
    ~EditorFixture() { form->hide(); }

    // The catalogue's files, by their absolute paths.
    const spartiti::CatalogueFolder &catalogue() const { return document.folder(); }
    // `relative` inside the temporary folder that holds `spartiti/`.
    QString file(const QString &relative) const { return folder.file(relative); }

    bool load()
    {
        const auto error = form->Form_Load();
        if (error)
            qWarning() << error->message;
        form->show();
        return !error;
    }
    template<typename T> T *get(const char *name) { return form->findChild<T *>(QLatin1String(name)); }
    QScrollBar *selector() { return get<QScrollBar>("VScroll1"); }
    QLineEdit *field(const char *name) { return get<QLineEdit>(name); }
    void click(const char *name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    void moveTo(int v) { selector()->setValue(v); }
    bool shows(const char *box) { return !get<QLabel>(box)->pixmap().isNull(); }
    QUndoStack *history() { return form->history(); }
    // The number, title and author on show, as "12|Titolo 12|Autore 12".
    QString record()
    {
        return QStringList{field("Text1")->text(), field("Text2")->text(), field("Text3")->text()}.join('|');
    }
    // Types into a field as a user does, after giving it the focus.
    void type(const char *name, const QString &text)
    {
        QLineEdit *edit = field(name);
        edit->setFocus();
        QFocusEvent focusIn(QEvent::FocusIn);   // sendEvent does not take ownership
        QApplication::sendEvent(edit, &focusIn);
        QTest::keyClicks(edit, text);
    }
    bool activate()
    {
        form->activateWindow();
        return QTest::qWaitForWindowActive(form.get());
    }
};

} // namespace testsupport
