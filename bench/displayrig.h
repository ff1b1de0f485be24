#pragma once

#include "cataloguedocument.h"
#include "form1.h"
#include "module1.h"
#include "notifier.h"

#include <QDir>
#include <QList>

#include <memory>

class QLabel;
class QScrollBar;

namespace spartiti {
class PageCache;
}

namespace spartiti::bench {

// A field of /proc/self/status in kilobytes ("VmHWM:", the peak of this process's own
// memory, which unlike getrusage's figure starts afresh at exec); -1 if missing.
long statusValueKb(const char *field);

// Takes messages without showing them; a benchmark has no one to answer.
class SilentNotifier : public Notifier
{
public:
    QStringList messages;
    void inform(const QString &text) override { messages.append(text); }
    void warn(const QString &text) override { messages.append(text); }
    Answer askSaveDiscardCancel(const QString &) override { return Answer::Discard; }
};

// The real editor window, off screen, on the data folder under the working folder,
// driven through its record selector as a user would.
class DisplayRig
{
public:
    DisplayRig();
    ~DisplayRig();

    bool load();
    int lastRecord() const;

    // Moves the selector to `record` and returns the milliseconds until both page boxes
    // hold a picture (the record must have both pages), or -1 after ten seconds.
    double showRecord(int record);
    // Lets the decoding of neighbours ahead of time finish.
    void waitUntilIdle();

private:
    Module1 m_state;
    SilentNotifier m_notifier;
    // The catalogue of the working folder, which the runs set before making the rig.
    CatalogueDocument m_document{CatalogueFolder::of(QDir::currentPath()), m_state, m_notifier};
    std::unique_ptr<Form1> m_form;
    QScrollBar *m_selector = nullptr;
    QLabel *m_left = nullptr;
    QLabel *m_right = nullptr;
    PageCache *m_cache = nullptr;
};

// The peak-memory run, in a process of its own so that nothing else counts: scrolls one
// record at a time from the first record to `records`, moving on as soon as both pages
// show, then prints the high-water mark of its resident memory and the step times.
int scrollChild(int records);
// Opens the editor, then shows `record` and prints "show_ms <milliseconds>".
int showChild(int record);

double median(QList<double> values);
double percentile(QList<double> values, double fraction);

} // namespace spartiti::bench
