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
    bool askYesNo(const QString &text) override;
    std::optional<int> askChoice(const QString &text, const QStringList &buttons) override;
    std::optional<int> askNumber(const QString &text, int minimum, int maximum, int current) override;
    std::optional<int> chooseItem(const QString &text, const QStringList &items) override;

private:
    QWidget *m_parent;
};

} // namespace spartiti
