#pragma once

#include "error.h"

#include <cstdint>

namespace spartiti {

// Counts, positions and score numbers are 16-bit signed integers, as the archive
// format and the record selector were designed around them.
inline std::int16_t toInt16(long long value)
{
    if (value < INT16_MIN || value > INT16_MAX)
        throw Error{Error::Kind::Overflow,
                    QStringLiteral("Overflow: il valore %1 supera i limiti di un intero a 16 bit.")
                        .arg(value)};
    return static_cast<std::int16_t>(value);
}

} // namespace spartiti
