#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace spartiti {

// Asks for a whole number in minimum..maximum. The field takes any digits, so that a
// number past the range arrives whole and is refused with the range named, instead of
// losing the digit that made it too large and passing as another number; after a
// refusal the dialog stays open with what was typed.
class NumberDialog : public QDialog
{
    Q_OBJECT

public:
    NumberDialog(const QString &text, int minimum, int maximum, int current, QWidget *parent = nullptr);

    // The number accepted, once the dialog ended with Accepted.
    int value() const { return m_value; }

    void accept() override;

private:
    QLineEdit *m_field;
    QLabel *m_refusal;
    int m_minimum;
    int m_maximum;
    int m_value;
};

} // namespace spartiti
