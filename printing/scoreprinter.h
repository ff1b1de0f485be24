#pragma once

#include "cataloguefolder.h"
#include "error.h"

#include <QList>
#include <QStringList>

#include <optional>

class QPagedPaintDevice;

namespace spartiti {

// The pages of some scores on paper, one page to a sheet: each score's left page then its
// right page, the scores in the order given. A page whose file is missing, or that is a
// copy of the placeholder page m.jpg (which stands in for a right page not yet scanned),
// is left out and named in missing(). Each page is fitted to the printable area keeping
// its proportions and decoded from the full-size file at no more pixels than the device
// gives it there, so a 600-dpi scan prints at the printer's own resolution.
class ScorePrinter
{
public:
    struct Page
    {
        int number = 0;
        bool right = false;
        QString path;
    };

    struct Outcome
    {
        int printed = 0;
        QStringList unreadable;      // pages whose file could not be decoded, and why
        std::optional<Error> error;  // the device refused to start
    };

    ScorePrinter(const CatalogueFolder &folder, const QList<int> &numbers);

    const QList<Page> &pages() const { return m_pages; }
    // "spartito 3, pagina di destra" for each page left out.
    const QStringList &missing() const { return m_missing; }

    // Paints every page on the device; may be called again, as a print preview does.
    Outcome print(QPagedPaintDevice &device) const;

    static QString pageName(int number, bool right);

private:
    QList<Page> m_pages;
    QStringList m_missing;
};

} // namespace spartiti
