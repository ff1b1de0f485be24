#include "startupprobe.h"

#include <QCoreApplication>
#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace spartiti {

StartupProbe::StartupProbe()
{
    m_clock.start();
}

void StartupProbe::watch(QWidget *window)
{
    if (qEnvironmentVariableIntValue("SPARTITI_STARTUP_PROBE") == 1)
        window->installEventFilter(this);
}

void StartupProbe::answerMessages()
{
    if (qEnvironmentVariableIntValue("SPARTITI_STARTUP_PROBE") != 1)
        return;
    auto *timer = new QTimer(qApp);
    connect(timer, &QTimer::timeout, qApp, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            std::printf("message %s\n", qPrintable(box->text()));
            std::fflush(stdout);
            box->done(QMessageBox::Cancel);
        }
    });
    timer->start(20);
}

bool StartupProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && !m_reported) {
        m_reported = true;
        std::printf("startup_ms %.2f\nwindow %s\n", double(m_clock.nsecsElapsed()) / 1e6,
                    qPrintable(watched->objectName()));
        std::fflush(stdout);
        // Ended from the event loop, once this paint has run to completion.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace spartiti
