#include "search.h"

namespace spartiti {

QString ScoreSearch::fold(const QString &text)
{
    // Plain ASCII, the common case, needs no decomposition.
    bool ascii = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.toLower();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    }
    return folded.toCaseFolded();
}

void ScoreSearch::rebuild()
{
    const int n = std::min<int>(m_catalogue.scoreCount(), ScoreCatalogue::SlotCount - 1);
    m_folded.clear();
    m_folded.reserve(std::max(n, 0));
    for (int k = 1; k <= n; ++k) {
        m_folded.append(fold(m_catalogue.title(k)) + QLatin1Char('\n') + fold(m_catalogue.author(k))
                        + QLatin1Char('\n') + fold(m_catalogue.tags(k)));
    }
    m_stale = false;
}

QList<int> ScoreSearch::find(const QString &query, int limit)
{
    const QStringList words = fold(query).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<int> found;
    if (words.isEmpty())
        return found;
    if (m_stale)
        rebuild();
    for (int i = 0; i < m_folded.size() && found.size() < limit; ++i) {
        const QString &text = m_folded[i];
        bool all = true;
        for (const QString &word : words) {
            if (!text.contains(word)) {
                all = false;
                break;
            }
        }
        if (all)
            found.append(i + 1);
    }
    return found;
}

} // namespace spartiti
