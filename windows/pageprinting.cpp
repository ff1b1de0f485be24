#include "pageprinting.h"

#include "notifier.h"
#include "scoreprinter.h"

#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace spartiti {

namespace {

void report(const ScorePrinter::Outcome &outcome, Notifier &notifier)
{
    if (outcome.error)
        notifier.warn(outcome.error->message);
    else if (!outcome.unreadable.isEmpty())
        notifier.warn(QStringLiteral("Queste pagine non sono state stampate:\n%1")
                          .arg(outcome.unreadable.join(QLatin1Char('\n'))));
}

} // namespace

void printScorePages(QWidget *parent, const CatalogueFolder &folder, const QList<int> &numbers, Notifier &notifier,
                     bool preview)
{
    const ScorePrinter pages(folder, numbers);
    if (pages.pages().isEmpty()) {
        notifier.warn(numbers.size() == 1
                          ? QStringLiteral("Lo spartito %1 non ha pagine da stampare.").arg(numbers.value(0))
                          : QStringLiteral("Gli spartiti scelti non hanno pagine da stampare."));
        return;
    }
    if (!pages.missing().isEmpty())
        notifier.inform(QStringLiteral("Queste pagine mancano e non saranno stampate:\n%1")
                            .arg(pages.missing().join(QLatin1Char('\n'))));

    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(numbers.size() == 1 ? QStringLiteral("Spartito %1").arg(numbers.value(0))
                                           : QStringLiteral("Spartiti"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    if (preview) {
        QPrintPreviewDialog dialog(&printer, parent);
        dialog.setWindowTitle(QStringLiteral("Anteprima di stampa"));
        // The preview paints again at each change of printer or paper; what went wrong is
        // told once, after the dialog.
        ScorePrinter::Outcome last;
        QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                         [&](QPrinter *device) { last = pages.print(*device); });
        dialog.exec();
        report(last, notifier);
        return;
    }
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Stampa"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    report(pages.print(printer), notifier);
}

} // namespace spartiti
