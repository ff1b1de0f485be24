#include "archivetextvalidator.h"

#include "archive.h"

namespace spartiti {

QValidator::State ArchiveTextValidator::validate(QString &input, int &pos) const
{
    QString kept;
    QString removed;
    kept.reserve(input.size());
    int newPos = pos;
    for (int i = 0; i < input.size(); ++i) {
        const QChar c = input[i];
        if (!firstUnwritable(QString(c))) {
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
