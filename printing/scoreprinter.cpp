#include "scoreprinter.h"

#include "pageimage.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

namespace spartiti {

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The placeholder is attached as a byte copy, so its content identifies it; a link to it
// is recognised by where it leads.
class Placeholder
{
public:
    explicit Placeholder(const QString &path)
        : m_canonical(QFileInfo(path).canonicalFilePath())
        , m_size(QFileInfo(path).size())
    {
    }

    bool is(const QString &path)
    {
        const QFileInfo info(path);
        if (m_canonical.isEmpty())
            return false;
        if (info.canonicalFilePath() == m_canonical)
            return true;
        if (info.size() != m_size)
            return false;
        if (m_bytes.isEmpty())
            m_bytes = fileBytes(m_canonical);
        return fileBytes(path) == m_bytes;
    }

private:
    QString m_canonical;
    qint64 m_size;
    QByteArray m_bytes;
};

} // namespace

ScorePrinter::ScorePrinter(const CatalogueFolder &folder, const QList<int> &numbers)
{
    Placeholder placeholder(folder.placeholderPage());
    for (const int number : numbers) {
        for (const bool right : {false, true}) {
            const QString path = right ? folder.rightPage(number) : folder.leftPage(number);
            if (paths::isPresentFile(path) && !placeholder.is(path))
                m_pages.append({number, right, path});
            else
                m_missing.append(pageName(number, right));
        }
    }
}

QString ScorePrinter::pageName(int number, bool right)
{
    return QStringLiteral("spartito %1, pagina di %2").arg(number).arg(right ? QStringLiteral("destra")
                                                                             : QStringLiteral("sinistra"));
}

ScorePrinter::Outcome ScorePrinter::print(QPagedPaintDevice &device) const
{
    Outcome outcome;
    QPainter painter;
    if (!painter.begin(&device)) {
        outcome.error = Error{Error::Kind::Io, QStringLiteral("La stampa non può iniziare: la stampante o il file "
                                                              "di destinazione non risponde.")};
        return outcome;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect area(0, 0, device.width(), device.height());
    for (const Page &page : m_pages) {
        QImageReader reader(page.path);
        reader.setAutoTransform(true);
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        const QSize stored = reader.size();
        const QSize upright = turned ? stored.transposed() : stored;
        if (upright.isValid()) {
            const QSize fitted = upright.scaled(area.size(), Qt::KeepAspectRatio);
            // Decoding a scan at the printed size saves memory; larger would add nothing.
            if (fitted.width() < upright.width())
                reader.setScaledSize(turned ? fitted.transposed() : fitted);
        }
        // An A4 page scanned at 600 dpi needs about 140 MB, past Qt's default limit of 128
        // (libjpeg decodes at a scale of M/8 above the size asked for, at most the whole
        // page, before Qt shrinks it): printing decodes under the pages' one budget.
        usePageDecodeBudget();
        // A quality of 50 or more keeps libjpeg's accurate IDCT and a smooth scale, which
        // thin staff lines need.
        reader.setQuality(90);
        const QImage image = reader.read();
        if (image.isNull()) {
            outcome.unreadable.append(
                QStringLiteral("%1: il file non è un'immagine leggibile").arg(pageName(page.number, page.right)));
            continue;
        }
        // The sheet is started only for a page that decoded, so no sheet stays blank.
        if (outcome.printed > 0)
            device.newPage();
        QRect target(QPoint(), image.size().scaled(area.size(), Qt::KeepAspectRatio));
        target.moveCenter(area.center());
        painter.drawImage(target, image);
        ++outcome.printed;
    }
    painter.end();
    return outcome;
}

} // namespace spartiti
