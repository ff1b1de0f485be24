#include "attachprogress.h"

#include "cataloguedocument.h"
#include "notifier.h"

#include <QFileInfo>
#include <QProgressBar>
#include <QProgressDialog>

namespace spartiti {

namespace {

constexpr int ShowAfterMs = 500;
constexpr int PollMs = 100;
constexpr int Steps = 1000;   // the dialog counts in thousandths: files pass 2 GB

} // namespace

std::optional<Error> startAttachAsking(CatalogueDocument &document, Notifier &notifier, ScoreFile kind,
                                       int number, const QString &chosenPath, int categoryCode, QObject *requester)
{
    auto error = document.startAttach(kind, number, chosenPath, categoryCode, requester);
    if (!error || error->kind != Error::Kind::NeedsConfirmation)
        return error;
    // A score added here can step aside instead: saved and merged with the disk, it takes
    // the first number after the other editor's scores, and the file goes there.
    const bool canRenumber = document.addedSinceSaved(number);
    QString question = error->message + QStringLiteral("\n\nSostituisci: il file dell'altro viene sostituito da "
                                                       "quello scelto.");
    QStringList choices{QStringLiteral("Sostituisci")};
    if (canRenumber) {
        question += QStringLiteral("\nNumero nuovo: il file dell'altro resta; le modifiche vengono salvate e unite a "
                                   "quelle sul disco, e lo spartito %1, aggiunto qui, prende il primo numero libero "
                                   "dopo quelli dell'altro editor, dove il file scelto viene allegato.")
                        .arg(number);
        choices.append(QStringLiteral("Numero nuovo"));
    }
    question += QStringLiteral("\nAnnulla: nulla cambia.");
    choices.append(QStringLiteral("Annulla"));
    const auto choice = notifier.askChoice(question, choices);
    if (!choice || *choice == choices.size() - 1)
        return std::nullopt;
    if (*choice == 0)
        return document.startAttach(kind, number, chosenPath, categoryCode, requester, true);
    const std::optional<int> settled = document.saveToSettleNumber(number);
    if (!settled)
        return std::nullopt;
    if (*settled == number)
        return Error{Error::Kind::Io,
                     QStringLiteral("Le modifiche sono state salvate, ma lo spartito %1 ha ancora lo stesso numero: "
                                    "l'archivio dell'altro editor non è ancora arrivato sul disco. Il file scelto "
                                    "non è stato allegato; riprova fra poco.")
                         .arg(number)};
    return startAttachAsking(document, notifier, kind, *settled, chosenPath, categoryCode, requester);
}

bool reportAttachOutcome(Notifier &notifier, const std::optional<Error> &error)
{
    if (error && error->kind != Error::Kind::Cancelled)
        notifier.warn(error->message);
    return !error;
}

AttachProgress::AttachProgress(CatalogueDocument &document, QWidget *window)
    : QObject(window)
    , m_document(document)
    , m_window(window)
{
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &AttachProgress::showProgress);
    connect(&document, &CatalogueDocument::attachRunningChanged, this, &AttachProgress::runningChanged);
}

void AttachProgress::runningChanged(bool running)
{
    if (running && m_document.attachRequester() == m_window) {
        m_clock.start();
        m_poll.start();
        return;
    }
    m_poll.stop();
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
    }
}

void AttachProgress::showProgress()
{
    if (!m_dialog) {
        if (m_clock.elapsed() < ShowAfterMs)
            return;
        auto *dialog = new QProgressDialog(QStringLiteral("Copia di \"%1\" nella cartella spartiti...")
                                               .arg(QFileInfo(m_document.attachSource()).fileName()),
                                           QStringLiteral("Annulla"), 0, Steps, m_window);
        dialog->setObjectName(QStringLiteral("copyProgress"));
        dialog->setWindowTitle(QStringLiteral("Copia in corso"));
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        dialog->setMinimumDuration(0);
        connect(dialog, &QProgressDialog::canceled, &m_document, &CatalogueDocument::cancelAttach);
        m_dialog = dialog;
        dialog->show();
    }
    const auto [copied, total] = m_document.attachProgress();
    // Set on the bar itself: QProgressDialog::setValue of a modal dialog runs the event
    // loop, and the copy may end in there.
    if (auto *bar = m_dialog->findChild<QProgressBar *>())
        bar->setValue(total > 0 ? int(copied * Steps / total) : 0);
}

} // namespace spartiti
