#include "catalogue.h"

#include "int16.h"

namespace spartiti {

ScoreCatalogue::ScoreCatalogue()
{
    for (auto &field : m_fields)
        field.resize(SlotCount);
}

void ScoreCatalogue::checkSlot(int slot)
{
    if (slot < 0 || slot >= SlotCount)
        throw Error{Error::Kind::Index,
                    QStringLiteral("Indice fuori dai limiti: il record %1 non esiste "
                                   "(l'archivio ha posto per i numeri da 0 a %2).")
                        .arg(slot)
                        .arg(SlotCount - 1)};
}

const QString &ScoreCatalogue::value(Field field, int slot) const
{
    checkSlot(slot);
    return m_fields[static_cast<int>(field)][slot];
}

void ScoreCatalogue::setValue(Field field, int slot, const QString &text)
{
    checkSlot(slot);
    m_fields[static_cast<int>(field)][slot] = text;
}

void ScoreCatalogue::setScoreCount(long long count)
{
    m_scoreCount = toInt16(count);
}

QString ScoreCatalogue::fieldName(Field field)
{
    switch (field) {
    case Field::Number: return QStringLiteral("numero");
    case Field::Title: return QStringLiteral("titolo");
    case Field::Author: return QStringLiteral("autore");
    case Field::Tags: return QStringLiteral("tag");
    case Field::Category: return QStringLiteral("categoria");
    }
    return {};
}

} // namespace spartiti
