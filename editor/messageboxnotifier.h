#pragma once

#include "notifier.h"

class QWidget;

namespace spartiti {

// Shows messages as modal message boxes with a single OK button, titled with the
// application's name.
class MessageBoxNotifier : public Notifier
{
public:
    explicit MessageBoxNotifier(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    void inform(const QString &text) override;
    void warn(const QString &text) override;
    Answer askSaveDiscardCancel(const QString &text) override;

private:
    QWidget *m_parent;
};

} // namespace spartiti
