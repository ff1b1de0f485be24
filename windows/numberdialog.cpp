#include "numberdialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace spartiti {

NumberDialog::NumberDialog(const QString &text, int minimum, int maximum, int current, QWidget *parent)
    : QDialog(parent)
    , m_field(new QLineEdit(QString::number(current), this))
    , m_refusal(new QLabel(this))
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_value(current)
{
    setObjectName(QStringLiteral("chiediNumero"));
    setWindowTitle(QGuiApplication::applicationDisplayName());
    auto *prompt = new QLabel(text, this);
    prompt->setBuddy(m_field);
    m_field->setObjectName(QStringLiteral("numero"));
    m_field->setAccessibleName(text);
    m_field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_field));
    m_field->selectAll();
    m_refusal->setObjectName(QStringLiteral("numeroRifiutato"));
    QPalette warning = m_refusal->palette();
    warning.setColor(QPalette::WindowText, Qt::darkRed);
    m_refusal->setPalette(warning);
    m_refusal->hide();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &NumberDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NumberDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_field);
    layout->addWidget(m_refusal);
    layout->addWidget(buttons);
}

void NumberDialog::accept()
{
    bool ok = false;
    const int number = m_field->text().toInt(&ok);
    if (!ok || number < m_minimum || number > m_maximum) {
        m_refusal->setText(
            QStringLiteral("Il numero deve essere compreso fra %1 e %2.").arg(m_minimum).arg(m_maximum));
        m_refusal->show();
        m_field->setFocus();
        m_field->selectAll();
        return;
    }
    m_value = number;
    QDialog::accept();
}

} // namespace spartiti
