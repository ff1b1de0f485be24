#include "scorelistcsv.h"

#include <QStringList>

namespace spartiti {

namespace {

QString csvField(const QString &value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\n'))
        && !value.contains(QLatin1Char('\r')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray csvRecord(const QStringList &fields)
{
    QStringList out;
    out.reserve(fields.size());
    for (const QString &field : fields)
        out.append(csvField(field));
    return out.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace

QByteArray scoreListCsv(const QList<ScoreListRow> &rows)
{
    QByteArray out("\xEF\xBB\xBF");
    out += csvRecord({QStringLiteral("numero"), QStringLiteral("titolo"), QStringLiteral("autore"),
                      QStringLiteral("tag"), QStringLiteral("categoria"), QStringLiteral("pagine"),
                      QStringLiteral("traccia")});
    for (const ScoreListRow &row : rows)
        out += csvRecord({QString::number(row.number), row.title, row.author, row.tags, row.category,
                          pagesText(row), row.track ? QStringLiteral("sì") : QStringLiteral("no")});
    return out;
}

} // namespace spartiti
