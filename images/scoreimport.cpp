#include "scoreimport.h"

#include "catalogue.h"
#include "pdfpages.h"

#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>

#include <algorithm>

namespace spartiti::scoreimport {

namespace {

Error refusal(const QString &shownName, const QString &why, Error::Kind kind = Error::Kind::Io)
{
    return {kind, QStringLiteral("Il file \"%1\" non si può importare: %2. Nulla è cambiato.").arg(shownName, why)};
}

// The image format a name promises, as Qt's readers call it; empty for none we take.
QByteArray promisedFormat(const QString &suffix)
{
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return "jpeg";
    if (suffix == QLatin1String("png"))
        return "png";
    if (suffix == QLatin1String("tif") || suffix == QLatin1String("tiff"))
        return "tiff";
    return {};
}

std::optional<Error> checkSize(const QString &shownName, qint64 width, qint64 height, int page)
{
    if (width * height <= MaxPagePixels)
        return std::nullopt;
    const QString where = page > 0 ? QStringLiteral("la pagina %1").arg(page) : QStringLiteral("l'immagine");
    return refusal(shownName,
                   QStringLiteral("%1 sarebbe di %2 × %3 punti, troppo grande per la memoria (al massimo %4 "
                                  "milioni di punti per pagina); scegli una risoluzione più bassa")
                       .arg(where)
                       .arg(width)
                       .arg(height)
                       .arg(MaxPagePixels / 1'000'000),
                   Error::Kind::Overflow);
}

std::optional<Error> listPdf(const QString &path, const QString &shownName, int dpi, QList<ImportPage> &pages)
{
    PdfPages pdf;
    if (auto error = pdf.open(path, shownName))
        return error;
    for (int i = 0; i < pdf.pageCount(); ++i) {
        const QSizeF points = pdf.pageSize(i);
        if (points.isEmpty())
            return refusal(shownName, QStringLiteral("la pagina %1 del PDF è danneggiata").arg(i + 1));
        const qint64 width = qCeil(points.width() * dpi / 72.0);
        const qint64 height = qCeil(points.height() * dpi / 72.0);
        if (auto error = checkSize(shownName, width, height, i + 1))
            return error;
        pages.append({ImportPage::Source::PdfPage, path, i});
    }
    return std::nullopt;
}

std::optional<Error> listImage(const QString &path, const QString &shownName, const QByteArray &promised,
                               QList<ImportPage> &pages)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QByteArray actual = reader.format();
    if (actual.isEmpty()) {
        if (looksLikePdf(path))
            return refusal(shownName, QStringLiteral("è un PDF, non un'immagine come dice il nome"));
        return refusal(shownName, QStringLiteral("non è un'immagine leggibile (%1)").arg(reader.errorString()));
    }
    if (actual != promised)
        return refusal(shownName, QStringLiteral("il nome dice %1 ma il contenuto è un'immagine %2")
                                      .arg(QString::fromLatin1(promised.toUpper()), QString::fromLatin1(actual.toUpper())));
    const int frames = std::max(reader.imageCount(), 1);
    for (int i = 0; i < frames; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            return refusal(shownName, QStringLiteral("la pagina %1 dell'immagine non si legge").arg(i + 1));
        const QSize size = reader.size();
        if (!size.isValid())
            return refusal(shownName, QStringLiteral("l'immagine è danneggiata (%1)").arg(reader.errorString()));
        if (auto error = checkSize(shownName, size.width(), size.height(), frames > 1 ? i + 1 : 0))
            return error;
        const bool copied = actual == "jpeg";
        pages.append({copied ? ImportPage::Source::JpegFile : ImportPage::Source::ImageFrame, path, i});
    }
    return std::nullopt;
}

} // namespace

QStringList inImportOrder(QStringList files)
{
    // Runs of digits compare by their value, the rest without regard to case; QCollator's
    // numeric mode would need the ICU collator, which a build may lack.
    const auto before = [](const QString &pathA, const QString &pathB) {
        const QString a = QFileInfo(pathA).fileName(), b = QFileInfo(pathB).fileName();
        qsizetype i = 0, j = 0;
        while (i < a.size() && j < b.size()) {
            if (a[i].isDigit() && b[j].isDigit()) {
                qsizetype ei = i, ej = j;
                while (ei < a.size() && a[ei].isDigit())
                    ++ei;
                while (ej < b.size() && b[ej].isDigit())
                    ++ej;
                const QString da = a.mid(i, ei - i).remove(QRegularExpression(QStringLiteral("^0+")));
                const QString db = b.mid(j, ej - j).remove(QRegularExpression(QStringLiteral("^0+")));
                if (da.size() != db.size())
                    return da.size() < db.size();
                if (const int c = da.compare(db); c != 0)
                    return c < 0;
                i = ei;
                j = ej;
                continue;
            }
            if (const int c = QString::compare(a.mid(i, 1), b.mid(j, 1), Qt::CaseInsensitive); c != 0)
                return c < 0;
            ++i;
            ++j;
        }
        return a.size() - i < b.size() - j;
    };
    std::stable_sort(files.begin(), files.end(), before);
    return files;
}

std::optional<Error> listPages(const QStringList &files, int dpi, QList<ImportPage> &pages)
{
    pages.clear();
    if (files.isEmpty())
        return Error{Error::Kind::NoSelection, QStringLiteral("Non è stato scelto nessun file da importare.")};
    QList<ImportPage> found;
    for (const QString &path : files) {
        const QFileInfo info(path);
        const QString shownName = info.fileName();
        if (!info.isFile())
            return Error{Error::Kind::FileNotFound,
                         QStringLiteral("Il file \"%1\" non c'è più. Nulla è cambiato.").arg(shownName)};
        const QString suffix = info.suffix().toLower();
        std::optional<Error> error;
        if (suffix == QLatin1String("pdf")) {
            error = listPdf(path, shownName, dpi, found);
        } else if (const QByteArray promised = promisedFormat(suffix); !promised.isEmpty()) {
            error = listImage(path, shownName, promised, found);
        } else {
            error = refusal(shownName, QStringLiteral("si importano solo PDF e immagini JPEG, PNG o TIFF"));
        }
        if (error)
            return error;
    }
    pages = found;
    return std::nullopt;
}

QList<ImportedRecord> pairPages(int pageCount, const QString &title)
{
    QList<ImportedRecord> records;
    const int count = (pageCount + 1) / 2;
    for (int r = 0; r < count; ++r) {
        const int left = 2 * r;
        const int right = left + 1 < pageCount ? left + 1 : -1;
        records.append({count == 1 ? title : QStringLiteral("%1 %2").arg(title).arg(r + 1), left, right});
    }
    return records;
}

QList<ArchiveRecord> archiveRecords(const QList<ImportedRecord> &planned, const ImportDetails &details,
                                    int firstNumber)
{
    using Field = ScoreCatalogue::Field;
    QList<ArchiveRecord> records;
    for (int i = 0; i < planned.size(); ++i) {
        ArchiveRecord record;
        record[int(Field::Number)] = QString::number(firstNumber + i);
        record[int(Field::Title)] = planned[i].title;
        record[int(Field::Author)] = details.author;
        record[int(Field::Tags)] = details.tags;
        record[int(Field::Category)] = QString::number(details.category);
        records.append(record);
    }
    return records;
}

std::optional<Error> checkRoom(int scoreCount, int newRecords)
{
    if (scoreCount + newRecords <= ScoreCatalogue::MaxArchiveRecords)
        return std::nullopt;
    return Error{Error::Kind::TooManyRecords,
                 QStringLiteral("L'importazione farebbe %1 spartiti, ma l'archivio ne contiene già %2 e può "
                                "contenerne al massimo %3. Nulla è cambiato.")
                     .arg(newRecords)
                     .arg(scoreCount)
                     .arg(ScoreCatalogue::MaxArchiveRecords)};
}

} // namespace spartiti::scoreimport
