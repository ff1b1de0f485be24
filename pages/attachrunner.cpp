#include "attachrunner.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QProgressDialog>
#include <QThread>

namespace spartiti {

namespace {

int s_running = 0;

constexpr int ShowAfterMs = 500;
constexpr int PollMs = 100;
constexpr int Steps = 1000;   // the dialog counts in thousandths: files pass 2 GB

} // namespace

AttachRunner::AttachRunner(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &AttachRunner::showProgress);
}

// The window calls stop() while it is whole; here no signal goes out to it any more.
AttachRunner::~AttachRunner()
{
    if (!m_thread)
        return;
    disconnect(this, &AttachRunner::runningChanged, nullptr, nullptr);
    stop();
}

void AttachRunner::stop()
{
    if (!m_thread)
        return;
    m_cancelled = true;
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
    m_poll.stop();
    delete m_dialog.data();
    m_done = nullptr;
    --s_running;
    emit runningChanged(false);
}

bool AttachRunner::anyRunning()
{
    return s_running > 0;
}

QString AttachRunner::busyMessage()
{
    return QStringLiteral("È in corso la copia di un file: attendi che finisca, poi riprova.");
}

bool AttachRunner::start(AttachJob job, Done done)
{
    if (anyRunning())
        return false;
    ++s_running;
    m_job = std::move(job);
    m_done = std::move(done);
    m_error.reset();
    m_cancelled = false;
    m_copied = 0;
    m_total = 0;
    // The thread touches only m_job, m_error and the atomics until it ends; the window's
    // thread reads them again only after the thread's finished().
    m_thread = QThread::create([this] {
        m_error = m_job.run([this](qint64 copied, qint64 total) {
            m_copied = copied;
            m_total = total;
            return !m_cancelled;
        });
    });
    connect(m_thread, &QThread::finished, this, &AttachRunner::complete);
    m_clock.start();
    m_poll.start();
    m_thread->start();
    emit runningChanged(true);
    return true;
}

void AttachRunner::showProgress()
{
    if (!m_dialog) {
        if (m_clock.elapsed() < ShowAfterMs)
            return;
        auto *dialog = new QProgressDialog(
            QStringLiteral("Copia di \"%1\" nella cartella spartiti...").arg(QFileInfo(m_job.sourcePath()).fileName()),
            QStringLiteral("Annulla"), 0, Steps, m_window);
        dialog->setObjectName(QStringLiteral("copyProgress"));
        dialog->setWindowTitle(QStringLiteral("Copia in corso"));
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        dialog->setMinimumDuration(0);
        connect(dialog, &QProgressDialog::canceled, this, [this] { m_cancelled = true; });
        m_dialog = dialog;
        dialog->show();
    }
    const qint64 total = m_total;
    // Set on the bar itself: QProgressDialog::setValue of a modal dialog runs the event
    // loop, and the copy may end in there.
    if (auto *bar = m_dialog->findChild<QProgressBar *>())
        bar->setValue(total > 0 ? int(m_copied * Steps / total) : 0);
}

void AttachRunner::complete()
{
    if (!m_thread)
        return;   // stopped meanwhile
    m_thread->wait();
    m_thread->deleteLater();
    m_thread = nullptr;
    m_poll.stop();
    if (m_dialog) {
        m_dialog->hide();
        m_dialog->deleteLater();
    }
    --s_running;
    emit runningChanged(false);
    const Done done = std::move(m_done);
    m_done = nullptr;
    if (done)
        done(m_job, m_error);
}

} // namespace spartiti
