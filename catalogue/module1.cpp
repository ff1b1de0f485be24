#include "module1.h"

#include "int16.h"

namespace spartiti {

Module1::Module1(QObject *parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("Module1"));
}

void Module1::setCurrentNumber(long long number)
{
    const std::int16_t value = toInt16(number);
    if (value == m_currentNumber)
        return;
    m_currentNumber = value;
    emit currentNumberChanged(value);
}

static void checkCategorySlot(int index)
{
    if (index < 0 || index >= Module1::CategoryNameSlots)
        throw Error{Error::Kind::Index,
                    QStringLiteral("Indice fuori dai limiti: la categoria %1 non esiste.").arg(index)};
}

const QString &Module1::categoryName(int index) const
{
    checkCategorySlot(index);
    return m_categoryNames[index];
}

void Module1::setCategoryName(int index, const QString &name)
{
    checkCategorySlot(index);
    m_categoryNames[index] = name;
}

} // namespace spartiti
