#pragma once

#include <QString>

namespace spartiti::bench {

// "Importa spartito..." on a PDF the benchmark draws itself: A4 pages of notation-like
// vector drawing (staves, note heads, stems, bar lines) and one page that holds a
// scan-like raster image. The import runs as the editor runs it, without dialogs, in a
// process of its own so that its peak memory is its own; pdftoppm renders the same file
// in the same run, the time to beat.
struct ImportResult
{
    bool ok = false;
    int pages = 0;
    double importMs = 0;      // medians
    double pdftoppmMs = 0;
    double peakRssMb = 0;     // the largest of the runs
};

bool writeNotationPdf(const QString &path, int pages);

// `runs` imports of a `pages`-page PDF at 150 dpi into fresh catalogues under `folder`,
// each followed by pdftoppm on the same file.
ImportResult measureImport(const QString &benchmark, const QString &folder, int pages, int runs);

// The child's side, `--import-child pdf catalogueFolder`: imports the PDF at the end of
// the catalogue and prints "import_ms" and "peak_rss_kb".
int importChild(const QString &pdf, const QString &catalogueFolder);

} // namespace spartiti::bench
