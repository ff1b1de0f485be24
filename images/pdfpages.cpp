#include "pdfpages.h"

#include <QFile>

#include <poppler-qt6.h>

namespace spartiti {

namespace {

// Readers look for the header in the first kilobyte and for the end-of-file marker in the
// last one; a file cut short by a copy or a download has no marker there.
constexpr qint64 MarkerWindow = 1024;

bool endsWithMarker(QFile &file)
{
    const qint64 size = file.size();
    if (!file.seek(std::max<qint64>(0, size - MarkerWindow)))
        return false;
    return file.read(MarkerWindow).contains("%%EOF");
}

Error damaged(const QString &shownName, const QString &why)
{
    return {Error::Kind::Io, QStringLiteral("Il file \"%1\" non si può importare: %2. Nulla è cambiato.")
                                 .arg(shownName, why)};
}

} // namespace

bool looksLikePdf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(MarkerWindow).contains("%PDF-");
}

PdfPages::PdfPages() = default;
PdfPages::~PdfPages() = default;

std::optional<Error> PdfPages::open(const QString &path, const QString &shownName)
{
    m_document.reset();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Error{Error::Kind::FileNotFound,
                     QStringLiteral("Impossibile leggere il file \"%1\": %2. Nulla è cambiato.")
                         .arg(shownName, file.errorString())};
    if (!file.read(MarkerWindow).contains("%PDF-"))
        return damaged(shownName, QStringLiteral("non è un PDF, anche se il nome lo fa pensare"));
    if (!endsWithMarker(file))
        return damaged(shownName, QStringLiteral("il PDF è incompleto (troncato) o danneggiato"));
    file.close();

    std::unique_ptr<Poppler::Document> document = Poppler::Document::load(path);
    if (!document)
        return damaged(shownName, QStringLiteral("il PDF è danneggiato e non si riesce a leggere"));
    if (document->isLocked() || document->isEncrypted())
        return damaged(shownName, QStringLiteral("il PDF è protetto da password o cifrato; "
                                                 "salvane una copia senza protezione e importa quella"));
    if (document->numPages() < 1)
        return damaged(shownName, QStringLiteral("il PDF non ha pagine"));
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    document->setPaperColor(Qt::white);
    m_document = std::move(document);
    return std::nullopt;
}

int PdfPages::pageCount() const
{
    return m_document ? m_document->numPages() : 0;
}

QSizeF PdfPages::pageSize(int index) const
{
    const std::unique_ptr<Poppler::Page> page = m_document ? m_document->page(index) : nullptr;
    return page ? page->pageSizeF() : QSizeF();
}

QImage PdfPages::render(int index, int dpi) const
{
    const std::unique_ptr<Poppler::Page> page = m_document ? m_document->page(index) : nullptr;
    if (!page)
        return {};
    // Poppler leaves the image at the screen's 96 dpi; the page file should say what it is.
    QImage image = page->renderToImage(dpi, dpi);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    return image;
}

} // namespace spartiti
