#include "scorelistpdf.h"

#include <QBuffer>
#include <QCollator>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <array>
#include <numeric>

namespace spartiti {

namespace {

constexpr int ColumnCount = 7;
// Shares of the table's width; the title and author need the most.
constexpr std::array<qreal, ColumnCount> ColumnShares = {0.06, 0.26, 0.19, 0.15, 0.14, 0.11, 0.09};
constexpr int CellFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

std::array<QString, ColumnCount> cells(const ScoreListRow &row)
{
    return {QString::number(row.number), row.title, row.author, row.tags, row.category, pagesText(row),
            row.track ? QStringLiteral("sì") : QStringLiteral("no")};
}

const std::array<QString, ColumnCount> Header = {
    QStringLiteral("N."),        QStringLiteral("Titolo"), QStringLiteral("Autore"),  QStringLiteral("Tag"),
    QStringLiteral("Categoria"), QStringLiteral("Pagine"), QStringLiteral("Traccia")};

// Sizes in device pixels for the device's resolution.
struct Metrics
{
    explicit Metrics(const QPaintDevice &device)
        : dotsPerPoint(device.logicalDpiY() / 72.0)
    {
    }
    qreal points(qreal value) const { return value * dotsPerPoint; }
    qreal dotsPerPoint;
};

class TablePainter
{
public:
    TablePainter(QPainter &painter, const QRectF &page, const Metrics &metrics)
        : m_painter(painter)
        , m_page(page)
        , m_padding(metrics.points(2.5))
    {
        m_body.setPointSizeF(9);
        m_bold = m_body;
        m_bold.setBold(true);
        qreal x = page.left();
        for (int c = 0; c < ColumnCount; ++c) {
            m_left[c] = x;
            m_width[c] = page.width() * ColumnShares[c];
            x += m_width[c];
        }
    }

    qreal height(const std::array<QString, ColumnCount> &texts, bool header) const
    {
        const QFontMetricsF metrics(header ? m_bold : m_body, m_painter.device());
        qreal tallest = metrics.height();
        for (int c = 0; c < ColumnCount; ++c) {
            const QRectF box(0, 0, m_width[c] - 2 * m_padding, 1e6);
            tallest = std::max(tallest, metrics.boundingRect(box, CellFlags, texts[c]).height());
        }
        return tallest + 2 * m_padding;
    }

    void draw(qreal top, const std::array<QString, ColumnCount> &texts, bool header, bool shaded)
    {
        const qreal rowHeight = height(texts, header);
        const QRectF row(m_page.left(), top, m_page.width(), rowHeight);
        if (header || shaded)
            m_painter.fillRect(row, header ? QColor(210, 210, 210) : QColor(242, 242, 242));
        m_painter.setFont(header ? m_bold : m_body);
        for (int c = 0; c < ColumnCount; ++c) {
            const QRectF cell(m_left[c] + m_padding, top + m_padding, m_width[c] - 2 * m_padding,
                              rowHeight - 2 * m_padding);
            m_painter.drawText(cell, CellFlags, texts[c]);
        }
    }

private:
    QPainter &m_painter;
    QRectF m_page;
    qreal m_padding;
    QFont m_body;
    QFont m_bold;
    std::array<qreal, ColumnCount> m_left{};
    std::array<qreal, ColumnCount> m_width{};
};

// One line of the table: a score, or (row < 0) the heading of a category group.
struct Line
{
    qsizetype row = -1;
    QString heading;
};

QList<Line> linesOf(const QList<ScoreListRow> &rows, bool byCategory)
{
    QList<qsizetype> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (!byCategory) {
        QList<Line> lines;
        for (const qsizetype i : order)
            lines.append(Line{i, {}});
        return lines;
    }
    QCollator collator{QLocale(QLocale::Italian, QLocale::Italy)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        const QString &x = rows[a].category;
        const QString &y = rows[b].category;
        if (x.isEmpty() != y.isEmpty())
            return y.isEmpty();
        return collator.compare(x, y) < 0;
    });
    QList<Line> lines;
    for (qsizetype k = 0; k < order.size(); ++k) {
        const QString &category = rows[order[k]].category;
        if (k == 0 || category != rows[order[k - 1]].category)
            lines.append(Line{-1, category.isEmpty() ? QStringLiteral("Senza categoria") : category});
        lines.append(Line{order[k], {}});
    }
    return lines;
}

} // namespace

std::optional<Error> paintScoreList(QPagedPaintDevice &device, const QList<ScoreListRow> &rows,
                                    const QString &title, const QDate &date, bool byCategory)
{
    QPainter painter;
    if (!painter.begin(&device))
        return Error{Error::Kind::Io, QStringLiteral("Il catalogo non può essere stampato: la stampante o il file "
                                                     "non accetta il disegno.")};
    const Metrics metrics(device);
    QFont footerFont;
    footerFont.setPointSizeF(8);
    const qreal footerHeight = QFontMetricsF(footerFont, &device).height() + metrics.points(6);
    const QRectF page(0, 0, device.width(), device.height() - footerHeight);
    TablePainter table(painter, page, metrics);

    // The pages are laid out before any is painted, for the footer to name their count.
    QFont titleFont;
    titleFont.setPointSizeF(16);
    titleFont.setBold(true);
    QFont dateFont;
    dateFont.setPointSizeF(10);
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    const QString dateLine = QStringLiteral("%1 · %2 spartiti")
                                 .arg(italian.toString(date, QStringLiteral("d MMMM yyyy")))
                                 .arg(rows.size());
    const qreal titleHeight = QFontMetricsF(titleFont, &device).height();
    const qreal dateHeight = QFontMetricsF(dateFont, &device).height();
    const qreal firstTop = titleHeight + dateHeight + metrics.points(10);
    const qreal headerHeight = table.height(Header, true);

    const QList<Line> lines = linesOf(rows, byCategory);
    const auto lineTexts = [&](const Line &line) {
        return line.row >= 0 ? cells(rows[line.row]) : std::array<QString, ColumnCount>{QString(), line.heading};
    };
    QList<QList<qsizetype>> pages{{}};
    qreal y = firstTop + headerHeight;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        qreal h = table.height(lineTexts(lines[i]), lines[i].row < 0);
        // A heading goes to the next page with the first score under it.
        if (lines[i].row < 0 && i + 1 < lines.size())
            h += table.height(lineTexts(lines[i + 1]), false);
        // A row taller than a whole page is drawn cut rather than never.
        if (y + h > page.bottom() && !pages.last().isEmpty()) {
            pages.append(QList<qsizetype>());
            y = headerHeight;
        }
        pages.last().append(i);
        y += table.height(lineTexts(lines[i]), lines[i].row < 0);
    }

    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0)
            device.newPage();
        qreal top = 0;
        if (p == 0) {
            painter.setFont(titleFont);
            painter.drawText(QRectF(0, 0, page.width(), titleHeight), Qt::AlignLeft | Qt::AlignTop, title);
            painter.setFont(dateFont);
            painter.drawText(QRectF(0, titleHeight, page.width(), dateHeight), Qt::AlignLeft | Qt::AlignTop,
                             dateLine);
            top = firstTop;
        }
        table.draw(top, Header, true, false);
        top += headerHeight;
        for (qsizetype k = 0; k < pages[p].size(); ++k) {
            const Line &line = lines[pages[p][k]];
            const auto texts = lineTexts(line);
            table.draw(top, texts, line.row < 0, line.row >= 0 && k % 2 == 1);
            top += table.height(texts, line.row < 0);
        }
        painter.setFont(footerFont);
        painter.drawText(QRectF(0, page.bottom(), page.width(), footerHeight), Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Pagina %1 di %2").arg(p + 1).arg(pages.size()));
    }
    painter.end();
    return std::nullopt;
}

QByteArray scoreListPdf(const QList<ScoreListRow> &rows, const QString &title, const QDate &date,
                        bool byCategory)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Archivio Spartiti"));
        writer.setResolution(300);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(15, 15, 15, 12), QPageLayout::Millimeter));
        paintScoreList(writer, rows, title, date, byCategory);
    }
    return buffer.data();
}

} // namespace spartiti
