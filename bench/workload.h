#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace spartiti::bench {

// The pictures and catalogues the benchmark runs on, made by the benchmark itself with a
// fixed seed. The scans are A4 pages at 300 dpi, and at 600 dpi half of them progressive
// as scanner and phone software often writes them, kept in a cache folder so that a
// second run does not make them again.
class Workload
{
public:
    static constexpr QSize PageSize{2480, 3508};
    static constexpr int DistinctScans = 6;
    static constexpr int JpegQuality = 85;
    static constexpr QSize Page600Size{4960, 7016};
    static constexpr int DistinctScans600 = 4;   // the odd ones progressive

    explicit Workload(const QString &cacheFolder);

    // Makes the scans that are not in the cache folder yet; false on a write error.
    bool prepareScans();
    const QStringList &scans() const { return m_scans; }
    qint64 averageScanBytes() const;
    bool prepareScans600();
    const QStringList &scans600() const { return m_scans600; }

    // Fills `folder` with a data folder `spartiti` holding an archive of `records` records
    // and, with `pages`, both page files of every record, each its own name, hard-linked
    // to one of the scans (copied where links are refused). Every third record also has
    // a track file. With `at600`, the pages are the 600-dpi scans: every record has a
    // baseline left page and a progressive right page. False on a write error.
    bool makeCatalogue(const QString &folder, int records, bool pages, bool at600 = false) const;

private:
    QString m_folder;
    QStringList m_scans;
    QStringList m_scans600;
};

} // namespace spartiti::bench
