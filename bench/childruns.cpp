#include "childruns.h"

#include "displayrig.h"

#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>

namespace spartiti::bench {

namespace {

const QString TimeProgram = QStringLiteral("/usr/bin/time");

// The value after `key ` on a line of `output`, or -1.
double valueAfter(const QByteArray &output, const QByteArray &key)
{
    for (const QByteArray &line : output.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith(key + ' '))
            return trimmed.mid(key.size() + 1).split(' ').first().toDouble();
    }
    return -1;
}

bool run(QProcess &process, const QString &program, const QStringList &arguments, int timeoutMs)
{
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fprintf(stderr, "bench: %s failed: %s\n%s", qPrintable(program), qPrintable(process.errorString()),
                     process.readAllStandardError().constData());
        process.kill();
        process.waitForFinished();
        return false;
    }
    return true;
}

} // namespace

StartupResult measureStartup(const QString &editor, const QString &folder, int runs)
{
    StartupResult result;
    if (!QFileInfo(TimeProgram).isExecutable()) {
        std::fprintf(stderr, "bench: %s is missing (Debian package \"time\")\n", qPrintable(TimeProgram));
        return result;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("SPARTITI_STARTUP_PROBE"), QStringLiteral("1"));
    QList<double> inside, outside;
    for (int i = 0; i < runs; ++i) {
        QProcess editorProcess;
        editorProcess.setProcessEnvironment(environment);
        editorProcess.setWorkingDirectory(folder);
        // %e is the elapsed wall-clock time in seconds, to the hundredth.
        if (!run(editorProcess, TimeProgram, {QStringLiteral("-f"), QStringLiteral("TIME %e"), editor}, 60000))
            return result;
        const double ms = valueAfter(editorProcess.readAllStandardOutput(), "startup_ms");
        const double seconds = valueAfter(editorProcess.readAllStandardError(), "TIME");
        if (ms < 0 || seconds < 0) {
            std::fprintf(stderr, "bench: the editor did not report its start-up\n");
            return result;
        }
        inside.append(ms);
        outside.append(seconds * 1000.0);
    }
    result.ok = true;
    result.inProcessMs = median(inside);
    result.outsideMs = median(outside);
    return result;
}

ScrollResult measureScroll(const QString &benchmark, const QString &folder, int records)
{
    ScrollResult result;
    QProcess child;
    if (!run(child, benchmark, {QStringLiteral("--scroll-child"), folder, QString::number(records)}, 30 * 60000))
        return result;
    const QByteArray output = child.readAllStandardOutput();
    const double peakKb = valueAfter(output, "peak_rss_kb");
    result.records = int(valueAfter(output, "scroll_records"));
    result.stepMedianMs = valueAfter(output, "scroll_step_median_ms");
    result.stepP90Ms = valueAfter(output, "scroll_step_p90_ms");
    result.ok = peakKb > 0 && result.records > 0;
    result.peakRssMb = peakKb / 1024.0;
    if (!result.ok)
        std::fprintf(stderr, "bench: the scrolling run reported nothing\n%s", output.constData());
    return result;
}

double measureShowRecord(const QString &benchmark, const QString &folder, int record)
{
    QProcess child;
    if (!run(child, benchmark, {QStringLiteral("--show-child"), folder, QString::number(record)}, 5 * 60000))
        return -1;
    return valueAfter(child.readAllStandardOutput(), "show_ms");
}

} // namespace spartiti::bench
