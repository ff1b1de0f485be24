#include "archivetextvalidator.h"

#include "windows1252.h"

namespace spartiti {

QValidator::State ArchiveTextValidator::validate(QString &input, int &pos) const
{
    QString kept;
    QString removed;
    kept.reserve(input.size());
    int newPos = pos;
    for (int i = 0; i < input.size(); ++i) {
        const QChar c = input[i];
        const bool allowed = c != QLatin1Char('"') && c != QLatin1Char('\r') && c != QLatin1Char('\n')
                             && !windows1252::firstUnencodable(QString(c));
        if (allowed) {
            kept += c;
        } else {
            if (!removed.contains(c))
                removed += c;
            if (i < pos)
                --newPos;
        }
    }
    if (!removed.isEmpty()) {
        input = kept;
        pos = newPos;
        emit refused(removed);
    }
    return Acceptable;
}

} // namespace spartiti
