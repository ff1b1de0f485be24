#pragma once

#include <QString>

namespace spartiti::bench {

// One measured figure: a row of the table and one "BENCH <name> <value> <unit>" line.
struct Figure
{
    QString name;
    QString label;
    double value;
    QString unit;
    int runs;
    QString target;
};

} // namespace spartiti::bench
