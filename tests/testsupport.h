#pragma once

// Helpers shared by the tests: a temporary folder with the data folder layout, and
// quick ways to write and read files in it.

#include "cataloguedocument.h"
#include "module1.h"
#include "notifier.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

namespace testsupport {

// The editor and the pickers keep page thumbnails in $XDG_CACHE_HOME/thumbnails: every
// test program gets a cache folder of its own, removed when it ends, instead of the
// home of whoever runs it. Set before main, so before any window or cache exists.
inline QTemporaryDir &cacheHome()
{
    static QTemporaryDir folder;
    return folder;
}

inline void useOwnCacheHome()
{
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheHome().path()));
}
Q_CONSTRUCTOR_FUNCTION(useOwnCacheHome)

// A fresh temporary folder holding the data folder `spartiti/` and `spartiti/audio/`
// unless asked otherwise. The process's working folder never changes: every path a test
// uses is made absolute here.
class WorkingFolder
{
public:
    explicit WorkingFolder(bool withDataFolder = true)
    {
        QVERIFY(m_dir.isValid());
        if (withDataFolder)
            QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("spartiti/audio")));
    }

    QString path() const { return m_dir.path(); }
    // `relative` inside the temporary folder, e.g. file("spartiti/12L.jpg").
    QString file(const QString &relative) const { return m_dir.filePath(relative); }
    // The catalogue whose data folder is this folder's `spartiti`.
    spartiti::CatalogueFolder catalogue() const { return spartiti::CatalogueFolder(file(QStringLiteral("spartiti"))); }
    // Messages name the files they are about by their absolute path: a data table spells
    // this folder as "<tmp>", and the test puts the folder's path in its place.
    QString expand(QString text) const { return text.replace(QStringLiteral("<tmp>"), path()); }

private:
    QTemporaryDir m_dir;
};

inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

// An archive in the exact format: one record is {title, author, tags, category}.
inline QByteArray archiveBytes(const QList<QList<QByteArray>> &records)
{
    QByteArray out("var archivio = [\r\n");
    int number = 1;
    for (const auto &record : records) {
        out += "\"" + QByteArray::number(number++) + "\",\r\n";
        for (const QByteArray &value : record)
            out += "\"" + value + "\",\r\n";
    }
    out += " ];\r\n";
    return out;
}

inline QList<QList<QByteArray>> numberedRecords(int count)
{
    QList<QList<QByteArray>> records;
    for (int i = 1; i <= count; ++i)
        records.append({"Titolo " + QByteArray::number(i), "Autore " + QByteArray::number(i),
                        "tag uno", QByteArray::number(i % 34)});
    return records;
}

// The standard output of an outside tool (python3, pdftotext, pdfimages); a failure is
// shown as a warning, and the test then fails on the missing output.
inline QByteArray runTool(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitCode() != 0)
        qWarning() << program << process.readAllStandardError();
    return process.readAllStandardOutput();
}

// Attaches `chosen` to score `number` as the windows do, and waits for the outcome.
inline void attachAndWait(spartiti::CatalogueDocument &document, spartiti::ScoreFile kind, int number,
                          const QString &chosen, int category = 0)
{
    QSignalSpy finished(&document, &spartiti::CatalogueDocument::attachFinished);
    const auto refused = document.startAttach(kind, number, chosen, category);
    QVERIFY2(!refused, refused ? qPrintable(refused->message) : "");
    QVERIFY(finished.wait(30000));
    QCOMPARE(finished.size(), 1);
}

// Records every message and answers questions with preset answers.
class RecordingNotifier : public spartiti::Notifier
{
public:
    QStringList informed;
    QStringList warned;
    QStringList asked;
    Answer nextAnswer = Answer::Cancel;
    bool yes = false;
    std::optional<int> number;
    std::optional<int> choice;
    // Answers to askChoice, in order; when none is left the question is cancelled.
    QList<int> choices;
    QStringList buttons;   // of the last askChoice

    void inform(const QString &text) override { informed.append(text); }
    void warn(const QString &text) override { warned.append(text); }
    Answer askSaveDiscardCancel(const QString &text) override { return noted(text, nextAnswer); }
    std::optional<int> askChoice(const QString &text, const QStringList &offered) override
    {
        asked.append(text);
        buttons = offered;
        return choices.isEmpty() ? std::nullopt : std::optional<int>(choices.takeFirst());
    }
    bool askYesNo(const QString &text) override { return noted(text, yes); }
    std::optional<int> askNumber(const QString &text, int, int, int) override { return noted(text, number); }
    std::optional<int> chooseItem(const QString &text, const QStringList &) override { return noted(text, choice); }
    int count() const { return int(informed.size() + warned.size() + asked.size()); }

private:
    // Notes a question and gives its preset answer.
    template <typename T> T noted(const QString &text, T answer)
    {
        asked.append(text);
        return answer;
    }
};

// One editor's document, without a window, on `folder`'s catalogue; loaded unless told not to.
struct DocumentFixture
{
    spartiti::Module1 state;
    RecordingNotifier notifier;
    spartiti::CatalogueDocument document;
    explicit DocumentFixture(const spartiti::CatalogueFolder &folder, bool load = true)
        : document(folder, state, notifier)
    {
        if (load)
            QVERIFY(!document.load());
    }
};

} // namespace testsupport
