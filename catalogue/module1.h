#pragma once

#include "catalogue.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>

namespace spartiti {

// The state shared by the editor and the attachment windows: the catalogue, the number
// of the score on show and the category names. One object, handed to every window that
// needs it; a change of the score on show is announced so that open windows can say
// which score they will act on.
class Module1 : public QObject
{
    Q_OBJECT

public:
    static constexpr int CategoryNameSlots = 201;
    static constexpr int CategoryCount = 33;

    explicit Module1(QObject *parent = nullptr);

    ScoreCatalogue catalogue;

    std::int16_t currentNumber() const { return m_currentNumber; }
    void setCurrentNumber(long long number);

    // Throw Error{Index} outside 0..200.
    const QString &categoryName(int index) const;
    void setCategoryName(int index, const QString &name);

signals:
    void currentNumberChanged(int number);

private:
    std::int16_t m_currentNumber = 0;
    std::array<QString, CategoryNameSlots> m_categoryNames;
};

} // namespace spartiti
