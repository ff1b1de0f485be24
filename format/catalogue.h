#pragma once

#include "error.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace spartiti {

// The in-memory catalogue: five parallel text arrays of 10 000 slots, one per field,
// where slot k belongs to the score numbered k, and the record count. Records occupy
// slots 1 to scoreCount; slot 0 and the slots above stay as they were.
class ScoreCatalogue
{
public:
    static constexpr int SlotCount = 10000;
    // The archive counts its items in 16 bits: 32 767 items hold at most 3 276 records.
    static constexpr int MaxArchiveRecords = 3276;
    // Category codes 1..33 name the categories of generi.js; 0 or empty is none.
    static constexpr int CategoryCount = 33;

    enum class Field { Number, Title, Author, Tags, Category };
    static constexpr int FieldCount = 5;

    ScoreCatalogue();

    // Throw Error{Index} for a slot outside 0..9999.
    const QString &value(Field field, int slot) const;
    void setValue(Field field, int slot, const QString &text);

    const QString &number(int slot) const { return value(Field::Number, slot); }
    const QString &title(int slot) const { return value(Field::Title, slot); }
    const QString &author(int slot) const { return value(Field::Author, slot); }
    const QString &tags(int slot) const { return value(Field::Tags, slot); }
    const QString &category(int slot) const { return value(Field::Category, slot); }

    std::int16_t scoreCount() const { return m_scoreCount; }
    // Throws Error{Overflow} outside the 16-bit range.
    void setScoreCount(long long count);

    static QString fieldName(Field field);

private:
    static void checkSlot(int slot);

    std::array<std::vector<QString>, FieldCount> m_fields;
    std::int16_t m_scoreCount = 0;
};

} // namespace spartiti
