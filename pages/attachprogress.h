#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QProgressDialog;
class QWidget;

#include "scorefile.h"
#include "error.h"

#include <optional>

namespace spartiti {

class CatalogueDocument;
class Notifier;

// Starts an attach for a window; when it would replace a file someone else wrote, asks
// first: replace it, cancel, or, for a score added here, save and merge so that the
// score takes the next free number and the file goes there. The error to show, if any
// (nothing when the user cancelled or a save already said why it did not happen).
std::optional<Error> startAttachAsking(CatalogueDocument &document, Notifier &notifier, ScoreFile kind,
                                       int number, const QString &chosenPath, int categoryCode, QObject *requester);

// How an attach a window asked for ended, told to the user: a failure is warned about, a
// cancel is the user's own doing and needs no word. True when the attach was done.
bool reportAttachOutcome(Notifier &notifier, const std::optional<Error> &error);

// The progress of an attach a window asked for: a copy that takes longer than half a
// second shows a progress dialog over that window, with "Annulla", which stops the copy
// and leaves the score's files as they were. The copy itself belongs to the document.
class AttachProgress : public QObject
{
    Q_OBJECT

public:
    AttachProgress(CatalogueDocument &document, QWidget *window);

private:
    void runningChanged(bool running);
    void showProgress();

    CatalogueDocument &m_document;
    QWidget *m_window;
    QPointer<QProgressDialog> m_dialog;
    QTimer m_poll;
    QElapsedTimer m_clock;
};

} // namespace spartiti
