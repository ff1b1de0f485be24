#include "importstager.h"

#include "filecause.h"
#include "jpegencoder.h"
#include "pdfpages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMutex>
#include <QPainter>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <unistd.h>
#include <unordered_map>

namespace spartiti {

namespace {

const QString StagingPrefix = QStringLiteral(".importa-");
constexpr int JpegQuality = 85;

Error pageError(const QString &shownName, int page, const QString &why)
{
    return {Error::Kind::Io, QStringLiteral("Impossibile importare la pagina %1 (%2): %3. Nulla è cambiato.")
                                 .arg(page)
                                 .arg(shownName, why)};
}

// JPEG keeps no transparency: a transparent background becomes white paper, not black.
QImage onWhite(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return image;
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(0, 0, image);
    return flat;
}

// Baseline JPEG. The pages are synced all at once when every one is written (syncStaged),
// so that they are whole on disk before the journal names them.
std::optional<QString> writeJpeg(const QImage &image, const QString &path)
{
    const std::optional<QByteArray> encoded = encodeJpeg(onWhite(image), JpegQuality);
    if (!encoded)
        return QStringLiteral("la pagina non si riesce a convertire in JPEG");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fileErrorCause(errno);
    if (file.write(*encoded) != encoded->size() || !file.flush())
        return fileErrorCause(errno);
    return std::nullopt;
}

// One sync of the file system for every page staged, instead of one per page: a write
// error that shows only now (a full disk) fails the import as a failed page would.
std::optional<QString> syncStaged(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return fileErrorCause(errno);
    const bool synced = ::syncfs(fd) == 0;
    const int cause = errno;
    ::close(fd);
    return synced ? std::nullopt : std::optional<QString>(fileErrorCause(cause));
}

std::optional<QString> copySynced(const QString &from, const QString &to)
{
    QFile source(from);
    QFile target(to);
    if (!source.open(QIODevice::ReadOnly))
        return source.errorString();
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fileErrorCause(errno);
    QByteArray chunk;
    while (!(chunk = source.read(1 << 20)).isEmpty())
        if (target.write(chunk) != chunk.size())
            return fileErrorCause(errno);
    if (source.error() != QFileDevice::NoError)
        return source.errorString();
    if (!target.flush())
        return fileErrorCause(errno);
    return std::nullopt;
}

// One worker: takes the next page until none is left, keeping its own open PDFs.
class PageWorker
{
public:
    PageWorker(const QList<ImportPage> &pages, const QStringList &targets, int dpi)
        : m_pages(pages), m_targets(targets), m_dpi(dpi)
    {
    }

    std::optional<Error> make(int i)
    {
        const ImportPage &page = m_pages[i];
        const QString shownName = QFileInfo(page.path).fileName();
        const int shownPage = page.index + 1;
        std::optional<QString> failure;
        switch (page.source) {
        case ImportPage::Source::JpegFile:
            failure = copySynced(page.path, m_targets[i]);
            break;
        case ImportPage::Source::ImageFrame: {
            QImageReader reader(page.path);
            reader.setDecideFormatFromContent(true);
            QImage image;
            if ((page.index == 0 || reader.jumpToImage(page.index)) && reader.read(&image))
                failure = writeJpeg(image, m_targets[i]);
            else
                failure = QStringLiteral("l'immagine è danneggiata (%1)").arg(reader.errorString());
            break;
        }
        case ImportPage::Source::PdfPage: {
            PdfPages *pdf = document(page.path, shownName);
            if (!pdf)
                return m_openError;
            QImage image = pdf->render(page.index, m_dpi);
            // Poppler draws on white paper, so every pixel is opaque: read as RGB32 in place,
            // the page needs no second pass to flatten an alpha channel that is all 255.
            if (image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_ARGB32_Premultiplied)
                image.reinterpretAsFormat(QImage::Format_RGB32);
            failure = image.isNull() ? std::optional<QString>(QStringLiteral("il PDF non si riesce a disegnare"))
                                     : writeJpeg(image, m_targets[i]);
            break;
        }
        }
        if (failure)
            return pageError(shownName, shownPage, *failure);
        return std::nullopt;
    }

private:
    PdfPages *document(const QString &path, const QString &shownName)
    {
        auto &open = m_documents[path];
        if (!open) {
            open = std::make_unique<PdfPages>();
            if (auto error = open->open(path, shownName)) {
                m_openError = error;
                open.reset();
            }
        }
        return open.get();
    }

    const QList<ImportPage> &m_pages;
    const QStringList &m_targets;
    int m_dpi;
    std::unordered_map<QString, std::unique_ptr<PdfPages>> m_documents;
    std::optional<Error> m_openError;
};

} // namespace

void removeStaging(const CatalogueFolder &folder, const QString &stagingFolder)
{
    if (stagingFolder.startsWith(StagingPrefix))
        QDir(folder.file(stagingFolder)).removeRecursively();
}

void removeImportLeftovers(const CatalogueFolder &folder)
{
    const QStringList left = QDir(folder.path()).entryList({StagingPrefix + QLatin1Char('*')},
                                                           QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &name : left)
        removeStaging(folder, name);
}

std::optional<Error> stageImport(const CatalogueFolder &folder, const QList<ImportPage> &pages,
                                 const QList<ImportedRecord> &planned, int dpi, ImportControl &control,
                                 QString &stagingFolder)
{
    stagingFolder.clear();
    QString name = StagingPrefix + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    for (int i = 2; QFileInfo::exists(folder.file(name)); ++i)
        name = StagingPrefix + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz-")) + QString::number(i);
    if (!QDir(folder.path()).mkdir(name))
        return Error{Error::Kind::Io, QStringLiteral("Impossibile creare la cartella \"%1\": %2. Nulla è "
                                                     "cambiato.")
                                          .arg(QDir::toNativeSeparators(folder.file(name)), fileErrorCause(errno))};
    const QString root = folder.file(name) + QLatin1Char('/');

    // Page i goes to the side of its record that the plan gives it.
    QStringList targets(pages.size());
    QStringList placeholders;
    for (int r = 0; r < planned.size(); ++r) {
        const QString number = QString::number(r + 1);
        targets[planned[r].left] = root + number + QStringLiteral("L.jpg");
        if (planned[r].right >= 0)
            targets[planned[r].right] = root + number + QStringLiteral("R.jpg");
        else
            placeholders.append(root + number + QStringLiteral("R.jpg"));
    }

    std::atomic<int> next{0};
    QMutex errorLock;
    std::optional<Error> firstError;
    QThreadPool pool;
    const int workers = std::clamp(QThread::idealThreadCount(), 1, std::max(1, int(pages.size())));
    pool.setMaxThreadCount(workers);
    for (int w = 0; w < workers; ++w) {
        pool.start([&] {
            PageWorker worker(pages, targets, dpi);
            for (int i = next++; i < pages.size() && !control.cancelled; i = next++) {
                if (auto error = worker.make(i)) {
                    const QMutexLocker locker(&errorLock);
                    if (!firstError)
                        firstError = error;
                    control.cancelled = true;
                    return;
                }
                const int done = ++control.pagesDone;
                if (control.pageDone)
                    control.pageDone(done);
            }
        });
    }
    pool.waitForDone();

    if (!firstError && control.cancelled)
        firstError = Error{Error::Kind::Cancelled, QStringLiteral("Importazione annullata: nulla è cambiato.")};
    if (!firstError && paths::isPresentFile(folder.placeholderPage())) {
        for (const QString &placeholder : std::as_const(placeholders))
            if (auto failure = copySynced(folder.placeholderPage(), placeholder)) {
                firstError = Error{Error::Kind::Io, QStringLiteral("Impossibile copiare la pagina segnaposto "
                                                                   "m.jpg: %1. Nulla è cambiato.")
                                                        .arg(*failure)};
                break;
            }
    }
    if (!firstError) {
        if (auto failure = syncStaged(folder.file(name)))
            firstError = Error{Error::Kind::Io, QStringLiteral("Impossibile scrivere le pagine importate: %1. Nulla è "
                                                               "cambiato.")
                                                    .arg(*failure)};
    }
    if (firstError) {
        removeStaging(folder, name);
        return firstError;
    }
    stagingFolder = name;
    return std::nullopt;
}

} // namespace spartiti
