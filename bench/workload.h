#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

namespace spartiti::bench {

// The pictures and catalogues the benchmark runs on, made by the benchmark itself with a
// fixed seed. The scans are A4 pages at 300 dpi, kept in a cache folder so that a second
// run does not make them again.
class Workload
{
public:
    static constexpr QSize PageSize{2480, 3508};
    static constexpr int DistinctScans = 6;
    static constexpr int JpegQuality = 85;

    explicit Workload(const QString &cacheFolder);

    // Makes the scans that are not in the cache folder yet; false on a write error.
    bool prepareScans();
    const QStringList &scans() const { return m_scans; }
    qint64 averageScanBytes() const;

    // Fills `folder` with a data folder `spartiti` holding an archive of `records` records
    // and, with `pages`, both page files of every record, each its own name, hard-linked
    // to one of the scans (copied where links are refused). Every third record also has
    // a track file. False on a write error.
    bool makeCatalogue(const QString &folder, int records, bool pages) const;

private:
    QString m_folder;
    QStringList m_scans;
};

} // namespace spartiti::bench
