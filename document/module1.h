#pragma once

#include <QObject>

#include <cstdint>

namespace spartiti {

// The state the windows share about what they act on: the number of the score on show.
// One object, handed to every window that needs it; a change is announced so that open
// windows can say which score they will act on. The records themselves belong to the
// document.
class Module1 : public QObject
{
    Q_OBJECT

public:
    explicit Module1(QObject *parent = nullptr);

    std::int16_t currentNumber() const { return m_currentNumber; }
    void setCurrentNumber(long long number);

signals:
    void currentNumberChanged(int number);

private:
    std::int16_t m_currentNumber = 0;
};

} // namespace spartiti
