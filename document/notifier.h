#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace spartiti {

// How windows talk to the user: every message goes through one object handed to the
// windows, so that tests can read the messages and answer the questions. The program's
// implementation shows modal message boxes with a single OK button (MessageBoxNotifier).
class Notifier
{
public:
    enum class Answer { Save, Discard, Cancel };

    virtual ~Notifier() = default;

    virtual void inform(const QString &text) = 0;   // a confirmation
    virtual void warn(const QString &text) = 0;     // an error the user must know about
    // "Salva" / "Esci senza salvare" / "Annulla".
    virtual Answer askSaveDiscardCancel(const QString &text) = 0;

    // A yes/no question; false unless the user says yes.
    virtual bool askYesNo(const QString &text) { Q_UNUSED(text); return false; }
    // A whole number in minimum..maximum, or nothing when the user cancels.
    virtual std::optional<int> askNumber(const QString &text, int minimum, int maximum, int current)
    {
        Q_UNUSED(text); Q_UNUSED(minimum); Q_UNUSED(maximum); Q_UNUSED(current);
        return std::nullopt;
    }
    // A question answered with one of `buttons` (its index); the last button is the one
    // that Escape and closing the box mean. Nothing when the box was closed otherwise.
    virtual std::optional<int> askChoice(const QString &text, const QStringList &buttons)
    {
        Q_UNUSED(text);
        return buttons.isEmpty() ? std::nullopt : std::optional<int>(int(buttons.size()) - 1);
    }
    // One of items (its index), or nothing when the user cancels.
    virtual std::optional<int> chooseItem(const QString &text, const QStringList &items)
    {
        Q_UNUSED(text); Q_UNUSED(items);
        return std::nullopt;
    }
};

} // namespace spartiti
