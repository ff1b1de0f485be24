#include "displayrig.h"

#include "pagecache.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace spartiti::bench {

DisplayRig::DisplayRig()
    : m_form(std::make_unique<Form1>(m_document, m_notifier))
{
    m_selector = m_form->findChild<QScrollBar *>(QStringLiteral("VScroll1"));
    m_left = m_form->findChild<QLabel *>(QStringLiteral("Image1"));
    m_right = m_form->findChild<QLabel *>(QStringLiteral("Image2"));
    m_cache = m_form->findChild<PageCache *>();
}

DisplayRig::~DisplayRig()
{
    m_form->hide();
}

bool DisplayRig::load()
{
    if (!m_selector || !m_left || !m_right || !m_cache)
        return false;
    if (auto error = m_form->Form_Load()) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return false;
    }
    m_form->show();
    waitUntilIdle();
    return true;
}

int DisplayRig::lastRecord() const
{
    return m_document.catalogue().scoreCount();
}

namespace {

// Sleeps until the next event. processEvents with a time limit never sleeps: it would
// spin and take a processor from the decoding being measured. The timer bounds the sleep.
void waitForEvents()
{
    QTimer wakeUp;
    wakeUp.start(100);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace

double DisplayRig::showRecord(int record)
{
    QElapsedTimer clock;
    clock.start();
    m_selector->setValue(record);
    while (m_left->pixmap().isNull() || m_right->pixmap().isNull()) {
        if (clock.elapsed() > 10000)
            return -1;
        waitForEvents();
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

void DisplayRig::waitUntilIdle()
{
    while (!m_cache->isIdle())
        waitForEvents();
    QCoreApplication::processEvents();
}

long statusValueKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> lines = status.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    }
    return -1;
}

int scrollChild(int records)
{
    DisplayRig rig;
    if (!rig.load())
        return 1;
    records = std::min(records, rig.lastRecord());
    QList<double> steps;
    QElapsedTimer clock;
    clock.start();
    for (int record = 1; record <= records; ++record) {
        const double ms = rig.showRecord(record);
        if (ms < 0) {
            std::fprintf(stderr, "record %d never showed its pages\n", record);
            return 1;
        }
        steps.append(ms);
    }
    rig.waitUntilIdle();
    std::printf("scroll_records %d\n", records);
    std::printf("scroll_total_ms %.1f\n", double(clock.nsecsElapsed()) / 1e6);
    std::printf("scroll_step_median_ms %.3f\n", median(steps));
    std::printf("scroll_step_p90_ms %.3f\n", percentile(steps, 0.9));
    std::printf("peak_rss_kb %ld\n", statusValueKb("VmHWM:"));
    return 0;
}

int showChild(int record)
{
    DisplayRig rig;
    if (!rig.load())
        return 1;
    const double ms = rig.showRecord(record);
    if (ms < 0)
        return 1;
    std::printf("show_ms %.3f\n", ms);
    rig.waitUntilIdle();
    return 0;
}

double median(QList<double> values)
{
    return percentile(std::move(values), 0.5);
}

double percentile(QList<double> values, double fraction)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const double at = fraction * double(values.size() - 1);
    const auto low = qsizetype(at);
    const qsizetype high = std::min<qsizetype>(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (at - double(low));
}

} // namespace spartiti::bench
