#pragma once

#include <QString>

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
};

} // namespace spartiti
