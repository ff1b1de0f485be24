#include "attachmentwindow.h"

#include "attachprogress.h"
#include "cataloguedocument.h"
#include "folderbrowser.h"
#include "module1.h"
#include "notifier.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace spartiti {

AttachmentWindow::AttachmentWindow(CatalogueDocument &document, Notifier &notifier, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_document(document)
    , m_state(document.state())
    , m_notifier(notifier)
    , m_browser(new FolderBrowser(document.folder().parentPath(), this))
{
    connect(m_browser, &FolderBrowser::fileChosen, this, &AttachmentWindow::chooseFromBrowser);
    connect(m_browser, &FolderBrowser::chosenFileGone, this, &AttachmentWindow::showChosenFileGone);
    connect(&document, &CatalogueDocument::attachFinished, this, &AttachmentWindow::attachDone);
    // A long copy shows its progress over this window.
    new AttachProgress(document, this);
}

QPushButton *AttachmentWindow::makeCloseButton(const QRect &geometry)
{
    auto *button = new QPushButton(QStringLiteral("Chiudi"), this);
    button->setObjectName(QStringLiteral("Command1"));
    button->setGeometry(geometry);
    connect(button, &QPushButton::clicked, this, &QWidget::hide);
    return button;
}

void AttachmentWindow::setChosenLabel(QLabel *label)
{
    m_chosenLabel = label;
    m_chosenLabel->setAccessibleName(QStringLiteral("Nessun file scelto"));
}

void AttachmentWindow::followScoreOnShow()
{
    connect(&m_state, &Module1::currentNumberChanged, this, &AttachmentWindow::showScoreNumber);
    showScoreNumber(m_state.currentNumber());
}

void AttachmentWindow::closeEvent(QCloseEvent *event)
{
    emit discarded();
    QWidget::closeEvent(event);
}

void AttachmentWindow::chooseFromBrowser(const QString &path)
{
    m_chosenPath = path;
    m_chosenLabel->setText(QDir::toNativeSeparators(path));
    m_chosenLabel->setAccessibleName(QStringLiteral("File scelto: %1").arg(m_chosenLabel->text()));
    showFileDetails(path);
}

// The choice stays: the attach then says that there is no file to attach.
void AttachmentWindow::showChosenFileGone(const QString &path)
{
    m_chosenLabel->setText(QStringLiteral("File non più presente: %1").arg(QFileInfo(path).fileName()));
    showFileDetails(QString());
}

// The file named in Label1 is the one attached, even after the user has browsed to
// another folder since choosing it. The copy runs away from the window.
void AttachmentWindow::startAttach(ScoreFile kind, int categoryCode)
{
    if (const auto error = startAttachAsking(m_document, m_notifier, kind, m_state.currentNumber(), m_chosenPath,
                                             categoryCode, this))
        m_notifier.warn(error->message);
}

void AttachmentWindow::attachDone(QObject *requester, int, const std::optional<Error> &error)
{
    if (requester == this && reportAttachOutcome(m_notifier, error))
        attachSucceeded();
}

} // namespace spartiti
