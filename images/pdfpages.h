#pragma once

#include "error.h"

#include <QImage>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>

namespace Poppler {
class Document;
}

namespace spartiti {

// One PDF read with poppler, for one thread: poppler's documents may not be shared
// between threads, so every worker that renders pages opens the file itself.
class PdfPages
{
public:
    PdfPages();
    ~PdfPages();
    PdfPages(const PdfPages &) = delete;
    PdfPages &operator=(const PdfPages &) = delete;

    // Opens `path` and checks that it can be imported: a PDF by its content, whole (it
    // ends with its end-of-file marker), not protected by a password nor encrypted, with
    // at least one page. The message names the file as `shownName`.
    std::optional<Error> open(const QString &path, const QString &shownName);

    int pageCount() const;
    // The size of page `index` (from 0) in points, 1/72 of an inch, as shown (rotated).
    QSizeF pageSize(int index) const;
    // Page `index` drawn at `dpi` on white; a null image when poppler cannot draw it.
    QImage render(int index, int dpi) const;

private:
    std::unique_ptr<Poppler::Document> m_document;
};

// Whether the first bytes of a file say it is a PDF ("%PDF-" within its first kilobyte,
// where readers look for it).
bool looksLikePdf(const QString &path);

} // namespace spartiti
