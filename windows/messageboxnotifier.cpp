#include "messageboxnotifier.h"

#include "numberdialog.h"

#include <QGuiApplication>
#include <QInputDialog>
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

bool MessageBoxNotifier::askYesNo(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, m_parent);
    QPushButton *yes = box.addButton(QStringLiteral("Sì"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

std::optional<int> MessageBoxNotifier::askChoice(const QString &text, const QStringList &buttons)
{
    QMessageBox box(QMessageBox::Question, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, m_parent);
    QList<QPushButton *> added;
    for (const QString &caption : buttons)
        added.append(box.addButton(caption, added.size() + 1 == buttons.size() ? QMessageBox::RejectRole
                                                                               : QMessageBox::AcceptRole));
    if (added.isEmpty())
        return std::nullopt;
    box.setDefaultButton(added.last());
    box.setEscapeButton(added.last());
    box.exec();
    const qsizetype index = added.indexOf(static_cast<QPushButton *>(box.clickedButton()));
    return index < 0 ? std::nullopt : std::optional<int>(int(index));
}

std::optional<int> MessageBoxNotifier::askNumber(const QString &text, int minimum, int maximum, int current)
{
    NumberDialog dialog(text, minimum, maximum, current, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.value();
}

std::optional<int> MessageBoxNotifier::chooseItem(const QString &text, const QStringList &items)
{
    bool ok = false;
    const QString chosen = QInputDialog::getItem(m_parent, QGuiApplication::applicationDisplayName(), text,
                                                 items, 0, false, &ok);
    return ok ? std::optional<int>(int(items.indexOf(chosen))) : std::nullopt;
}

} // namespace spartiti
