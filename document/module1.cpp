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

} // namespace spartiti
