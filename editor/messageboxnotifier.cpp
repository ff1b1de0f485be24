#include "messageboxnotifier.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

namespace spartiti {

void MessageBoxNotifier::inform(const QString &text)
{
    QMessageBox::information(m_parent, QGuiApplication::applicationDisplayName(), text);
}

void MessageBoxNotifier::warn(const QString &text)
{
    QMessageBox::warning(m_parent, QGuiApplication::applicationDisplayName(), text);
}

Notifier::Answer MessageBoxNotifier::askSaveDiscardCancel(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, m_parent);
    QPushButton *save = box.addButton(QStringLiteral("Salva"), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(QStringLiteral("Esci senza salvare"), QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Annulla"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save)
        return Answer::Save;
    if (box.clickedButton() == discard)
        return Answer::Discard;
    return Answer::Cancel;
}

} // namespace spartiti
