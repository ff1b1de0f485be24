// Menu File > Importa spartito...: a PDF or scanned pages become new scores, two pages to
// a score. The pages are rendered on worker threads into a staging folder while a
// progress dialog can stop them; the document then files them in one journaled step,
// one undoable step. Files dropped on the window outside the page boxes start it too.

#include "cataloguedocument.h"
#include "form1.h"
#include "importdialog.h"
#include "importstager.h"
#include "notifier.h"
#include "scoreimport.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMimeData>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QtConcurrent>

#include <memory>

namespace spartiti {

namespace {

const QStringList ImportSuffixes{QStringLiteral("pdf"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                 QStringLiteral("png"), QStringLiteral("tif"), QStringLiteral("tiff")};

struct Staged
{
    std::optional<Error> error;
    QString folder;
};

} // namespace

QStringList Form1::importableFiles(const QMimeData *data)
{
    QStringList files;
    for (const QUrl &url : data->urls()) {
        if (!url.isLocalFile() || !ImportSuffixes.contains(QFileInfo(url.toLocalFile()).suffix().toLower()))
            return {};
        files.append(url.toLocalFile());
    }
    return files;
}

void Form1::importScore()
{
    // Qt's own dialog, the same on every desktop, with several files at once.
    QFileDialog dialog(this, QStringLiteral("Importa spartito: scegli un PDF o le immagini delle pagine"));
    dialog.setObjectName(QStringLiteral("sceltaImportazione"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters({QStringLiteral("PDF e immagini (*.pdf *.jpg *.jpeg *.png *.tif *.tiff)"),
                           QStringLiteral("PDF (*.pdf)"), QStringLiteral("Immagini (*.jpg *.jpeg *.png *.tif *.tiff)")});
    dialog.setDirectory(m_document.folder().parentPath());
    if (dialog.exec() == QDialog::Accepted)
        importFiles(dialog.selectedFiles());
}

bool Form1::importFiles(const QStringList &chosen)
{
    if (m_document.attachRunning()) {
        m_notifier.warn(CatalogueDocument::attachBusyMessage());
        return false;
    }
    const QStringList files = scoreimport::inImportOrder(chosen);
    QList<ImportPage> pages;
    if (auto error = scoreimport::listPages(files, scoreimport::DefaultDpi, pages)) {
        m_notifier.warn(error->message);
        return false;
    }
    const int scoreCount = m_document.catalogue().scoreCount();
    if (auto error = scoreimport::checkRoom(scoreCount, int(pages.size() + 1) / 2)) {
        m_notifier.warn(error->message);
        return false;
    }
    const bool hasPdf = std::any_of(pages.cbegin(), pages.cend(), [](const ImportPage &page) {
        return page.source == ImportPage::Source::PdfPage;
    });
    QStringList categories;
    for (int code = 1; code <= ScoreCatalogue::CategoryCount; ++code)
        categories.append(m_document.categoryName(code));
    ImportDialog dialog(files, int(pages.size()), hasPdf, categories, scoreCount, VScroll1->value(), this);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // A page that fits at the default resolution may not at the one chosen.
    if (hasPdf && dialog.dpi() != scoreimport::DefaultDpi) {
        if (auto error = scoreimport::listPages(files, dialog.dpi(), pages)) {
            m_notifier.warn(error->message);
            return false;
        }
    }
    const int position = dialog.position();
    if (!mayReorganise(position, true))
        return false;
    const QList<ImportedRecord> planned = scoreimport::pairPages(int(pages.size()), dialog.details().title);
    stageImportedPages(pages, planned, scoreimport::archiveRecords(planned, dialog.details(), position),
                       dialog.dpi(), position);
    return true;
}

void Form1::stageImportedPages(const QList<ImportPage> &pages, const QList<ImportedRecord> &planned,
                               const QList<ArchiveRecord> &records, int dpi, int position)
{
    auto control = std::make_shared<ImportControl>();
    auto *progress = new QProgressDialog(QStringLiteral("Importazione delle pagine..."), QStringLiteral("Annulla"),
                                         0, int(pages.size()), this);
    progress->setObjectName(QStringLiteral("importazione"));
    progress->setWindowTitle(QStringLiteral("Importa spartito"));
    progress->setWindowModality(Qt::WindowModal);
    progress->setMinimumDuration(0);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setValue(0);
    connect(progress, &QProgressDialog::canceled, progress, [control] { control->cancelled = true; });
    // The workers only count; the dialog reads the count, so no worker touches a widget.
    auto *poll = new QTimer(progress);
    connect(poll, &QTimer::timeout, progress, [progress, control] {
        const int done = control->pagesDone;
        progress->setValue(done);
        progress->setLabelText(QStringLiteral("Importazione delle pagine: %1 di %2...").arg(done).arg(progress->maximum()));
    });
    poll->start(100);

    auto *watcher = new QFutureWatcher<Staged>(this);
    connect(watcher, &QFutureWatcher<Staged>::finished, this, [this, watcher, progress, records, position] {
        const Staged staged = watcher->result();
        watcher->deleteLater();
        progress->deleteLater();
        if (staged.error) {
            if (staged.error->kind != Error::Kind::Cancelled)
                m_notifier.warn(staged.error->message);
            return;
        }
        if (m_document.importStaged(position, records, staged.folder))
            m_notifier.inform(records.size() == 1
                                  ? QStringLiteral("Lo spartito è stato importato come numero %1.").arg(position)
                                  : QStringLiteral("Lo spartito è stato importato in %1 spartiti, dal numero %2 al %3.")
                                        .arg(records.size())
                                        .arg(position)
                                        .arg(position + records.size() - 1));
    });
    const CatalogueFolder folder = m_document.folder();
    watcher->setFuture(QtConcurrent::run([folder, pages, planned, dpi, control] {
        Staged staged;
        staged.error = stageImport(folder, pages, planned, dpi, *control, staged.folder);
        return staged;
    }));
}

} // namespace spartiti
