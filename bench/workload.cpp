#include "workload.h"

#include "archive.h"
#include "catalogue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>

#include <random>
#include <unistd.h>

namespace spartiti::bench {

namespace {

// Bumped whenever the drawing changes, so that old scans in the cache are not reused.
constexpr int ScanVersion = 1;

constexpr int StaffGap = 26;        // between two lines of a staff, about 2.2 mm
constexpr int SystemHeight = 290;

void drawStaffSystem(QPainter &painter, std::mt19937 &random, int top)
{
    const int left = 180;
    const int right = Workload::PageSize.width() - 180;
    const QColor ink(28, 26, 30);
    painter.setPen(QPen(ink, 3));
    for (int line = 0; line < 5; ++line)
        painter.drawLine(left, top + line * StaffGap, right, top + line * StaffGap);
    painter.setPen(QPen(ink, 8));
    painter.drawLine(left, top, left, top + 4 * StaffGap);

    std::uniform_int_distribution<int> barLength(380, 520);
    std::uniform_int_distribution<int> notesInBar(3, 8);
    std::uniform_int_distribution<int> step(-3, 11);
    std::uniform_int_distribution<int> coin(0, 3);
    int x = left + 140;
    while (x < right - 200) {
        const int barEnd = std::min(right, x + barLength(random));
        const int notes = notesInBar(random);
        const int spacing = (barEnd - x - 40) / notes;
        QPointF previousStemTop;
        for (int n = 0; n < notes; ++n) {
            const qreal cx = x + 30 + n * spacing;
            const qreal cy = top + 4 * StaffGap - step(random) * StaffGap / 2.0;
            const bool hollow = coin(random) == 0;
            painter.save();
            painter.translate(cx, cy);
            painter.rotate(-20);
            painter.setPen(QPen(ink, 4));
            painter.setBrush(hollow ? Qt::NoBrush : QBrush(ink));
            painter.drawEllipse(QRectF(-17, -12, 34, 24));
            painter.restore();
            // Ledger lines above and below the staff.
            painter.setPen(QPen(ink, 3));
            for (qreal y = top - StaffGap; y >= cy - 2; y -= StaffGap)
                painter.drawLine(QPointF(cx - 28, y), QPointF(cx + 28, y));
            for (qreal y = top + 5 * StaffGap; y <= cy + 2; y += StaffGap)
                painter.drawLine(QPointF(cx - 28, y), QPointF(cx + 28, y));
            const bool up = cy > top + 2 * StaffGap;
            const QPointF stemFoot(cx + (up ? 16 : -16), cy);
            const QPointF stemTop(stemFoot.x(), cy + (up ? -88 : 88));
            painter.drawLine(stemFoot, stemTop);
            if (!hollow && n % 2 == 1 && coin(random) < 2) {
                painter.setPen(QPen(ink, 11, Qt::SolidLine, Qt::FlatCap));
                painter.drawLine(previousStemTop, stemTop);
            }
            previousStemTop = stemTop;
        }
        painter.setPen(QPen(ink, 4));
        painter.drawLine(barEnd, top, barEnd, top + 4 * StaffGap);
        x = barEnd;
    }
}

// An A4 page of printed music as a flatbed scanner delivers it: off-white paper, a
// title, eleven staves of notes, and a little sensor noise and dust. `scale` 2 gives
// the same page at 600 dpi.
QImage drawScan(int index, int scale = 1)
{
    std::mt19937 random(20240601u + unsigned(index));
    QImage page(Workload::PageSize * scale, QImage::Format_RGB32);
    page.fill(QColor(250, 249, 244));
    {
        QPainter painter(&page);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(scale, scale);
        QFont title(QStringLiteral("DejaVu Serif"));
        title.setPixelSize(72);
        painter.setFont(title);
        painter.setPen(QColor(28, 26, 30));
        painter.drawText(QRect(0, 140, Workload::PageSize.width(), 120), Qt::AlignCenter,
                         QStringLiteral("Studio n. %1").arg(index + 1));
        for (int system = 0; system < 11; ++system)
            drawStaffSystem(painter, random, 420 + system * SystemHeight);
    }

    // Grey noise of a few levels on every pixel, and sparse dark specks.
    std::uint32_t state = 0x9e3779b9u ^ std::uint32_t(index);
    const auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    for (int y = 0; y < page.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = 0; x < page.width(); ++x) {
            const std::uint32_t r = next();
            int delta = int(r & 7) - 3;
            if ((r >> 8) % 4000 == 0)
                delta -= 90;
            const QRgb p = line[x];
            line[x] = qRgb(std::clamp(qRed(p) + delta, 0, 255), std::clamp(qGreen(p) + delta, 0, 255),
                           std::clamp(qBlue(p) + delta + int((r >> 4) & 1), 0, 255));
        }
    }
    return page;
}

} // namespace

Workload::Workload(const QString &cacheFolder)
    : m_folder(cacheFolder)
{
}

bool Workload::prepareScans()
{
    const QString folder = m_folder + QStringLiteral("/scans-v%1").arg(ScanVersion);
    if (!QDir().mkpath(folder))
        return false;
    m_scans.clear();
    for (int i = 0; i < DistinctScans; ++i) {
        const QString path = folder + QStringLiteral("/scan-%1.jpg").arg(i);
        if (!QFileInfo::exists(path)) {
            QImageWriter writer(path + QStringLiteral(".part"), "jpeg");
            writer.setQuality(JpegQuality);
            if (!writer.write(drawScan(i)) || !QFile::rename(path + QStringLiteral(".part"), path))
                return false;
        }
        m_scans.append(path);
    }
    return true;
}

bool Workload::prepareScans600()
{
    const QString folder = m_folder + QStringLiteral("/scans600-v%1").arg(ScanVersion);
    if (!QDir().mkpath(folder))
        return false;
    m_scans600.clear();
    for (int i = 0; i < DistinctScans600; ++i) {
        const QString path = folder + QStringLiteral("/scan-%1.jpg").arg(i);
        if (!QFileInfo::exists(path)) {
            QImageWriter writer(path + QStringLiteral(".part"), "jpeg");
            writer.setQuality(JpegQuality);
            writer.setProgressiveScanWrite(i % 2 == 1);
            if (!writer.write(drawScan(100 + i, 2)) || !QFile::rename(path + QStringLiteral(".part"), path))
                return false;
        }
        m_scans600.append(path);
    }
    return true;
}

qint64 Workload::averageScanBytes() const
{
    qint64 total = 0;
    for (const QString &scan : m_scans)
        total += QFileInfo(scan).size();
    return m_scans.isEmpty() ? 0 : total / m_scans.size();
}

bool Workload::makeCatalogue(const QString &folder, int records, bool pages, bool at600) const
{
    const QStringList &scans = at600 ? m_scans600 : m_scans;
    const QString data = folder + QStringLiteral("/spartiti");
    if (!QDir().mkpath(data + QStringLiteral("/audio")))
        return false;

    static const char *const authors[] = {"Chopin", "Bach", "Verdi", "Puccini", "Debussy",
                                          "Satie", "Rossini", "Schumann", "Mozart"};
    ScoreCatalogue catalogue;
    catalogue.setScoreCount(records);
    for (int n = 1; n <= records; ++n) {
        catalogue.setValue(ScoreCatalogue::Field::Number, n, QString::number(n));
        catalogue.setValue(ScoreCatalogue::Field::Title, n, QStringLiteral("Notturno op. %1 n. %2").arg(n / 3 + 1).arg(n % 3 + 1));
        catalogue.setValue(ScoreCatalogue::Field::Author, n, QString::fromLatin1(authors[n % 9]));
        catalogue.setValue(ScoreCatalogue::Field::Tags, n, QStringLiteral("pianoforte classico serata"));
        catalogue.setValue(ScoreCatalogue::Field::Category, n, QString::number(n % 34));
    }
    if (writeArchive(catalogue, data + QStringLiteral("/archivio.js")))
        return false;
    if (!pages)
        return true;

    for (int n = 1; n <= records; ++n) {
        const QString names[] = {QStringLiteral("%1/%2L.jpg").arg(data).arg(n),
                                 QStringLiteral("%1/%2R.jpg").arg(data).arg(n)};
        for (int side = 0; side < 2; ++side) {
            const QString &scan = scans.at((2 * n + side) % scans.size());
            QFile::remove(names[side]);
            if (::link(QFile::encodeName(scan).constData(), QFile::encodeName(names[side]).constData()) != 0
                && !QFile::copy(scan, names[side]))
                return false;
        }
        if (n % 3 == 0) {
            QFile track(QStringLiteral("%1/audio/%2.mp3").arg(data).arg(n));
            if (!track.open(QIODevice::WriteOnly) || track.write("ID3") != 3)
                return false;
        }
    }
    return true;
}

} // namespace spartiti::bench
