#pragma once

#include <QValidator>

namespace spartiti {

// Keeps out of a field what the archive cannot hold (firstUnwritable): a double quote, a
// backslash, a line break, or a character outside Windows-1252. Offending characters are removed as they are typed or
// pasted, and `refused` names them so that the window can say why.
class ArchiveTextValidator : public QValidator
{
    Q_OBJECT

public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override;

signals:
    void refused(const QString &characters) const;
};

} // namespace spartiti
