#pragma once

#include "archive.h"
#include "error.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace spartiti {

// "Importa spartito...": a PDF or scanned images become new scores. This part looks at
// the chosen files and plans the records; importstager.h renders the pages and
// Reorganisation::import files them, all in one journaled step.

// One page to import and where it comes from.
struct ImportPage
{
    enum class Source {
        PdfPage,      // page `index` of a PDF, rendered
        ImageFrame,   // frame `index` of an image (a multi-page TIFF has several), converted
        JpegFile,     // a JPEG, copied byte for byte
    };
    Source source = Source::JpegFile;
    QString path;
    int index = 0;
};

// One record an import makes: its title and its pages, as indexes into the page list.
// An odd last page is a left page with the placeholder (`right` = -1) beside it.
struct ImportedRecord
{
    QString title;
    int left = 0;
    int right = -1;
};

struct ImportDetails
{
    QString title;
    QString author;
    QString tags;
    int category = 0;   // 1..33, 0 for none
};

namespace scoreimport {

// PDF pages are rendered at this resolution unless the user chooses another.
constexpr int DefaultDpi = 150;
constexpr int MinimumDpi = 50;
constexpr int MaximumDpi = 600;
// One page in memory while it is rendered or converted: above this it is refused before
// anything is drawn (100 million pixels are 400 MB as 32-bit colour).
constexpr qint64 MaxPagePixels = 100'000'000;

// The files in the order their pages are taken: names compared as a person reads them,
// so that "pagina 2" comes before "pagina 10".
QStringList inImportOrder(QStringList files);

// Looks at every file and lists its pages in order. Refuses, touching nothing, a file
// that is not what its name says, a PDF that is damaged, cut short or protected, an image
// that cannot be read, and a page that at `dpi` would not fit MaxPagePixels.
std::optional<Error> listPages(const QStringList &files, int dpi, QList<ImportPage> &pages);

// Two pages to a record, left then right, in order. One record takes the plain title;
// several are "Title 1", "Title 2", ..., as a long score is kept.
QList<ImportedRecord> pairPages(int pageCount, const QString &title);

// The archive records for `planned`, numbered from `firstNumber`.
QList<ArchiveRecord> archiveRecords(const QList<ImportedRecord> &planned, const ImportDetails &details,
                                    int firstNumber);

// Refuses more records than the archive can hold beside the `scoreCount` it has.
std::optional<Error> checkRoom(int scoreCount, int newRecords);

} // namespace scoreimport
} // namespace spartiti
