#pragma once

#include "figure.h"

#include <QList>
#include <QString>

namespace spartiti::bench {

class Workload;

// The 600-dpi scans, half of them progressive: cold display of a record against
// libjpeg's floor, one progressive page on its own, the same record again in a new
// process once its thumbnails exist, the time the thumbnails take to write, and the
// peak memory while stepping through the records. `benchmark` is this program, run
// again for the measures that need a process of their own; the catalogue and the
// thumbnail folders go under `runFolder`.
bool measureScan600(bool quick, const QString &benchmark, const Workload &workload, const QString &runFolder,
                    QList<Figure> &figures);

} // namespace spartiti::bench
