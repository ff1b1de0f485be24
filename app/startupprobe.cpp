#include "startupprobe.h"

#include <QCoreApplication>
#include <QEvent>
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

bool StartupProbe::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && !m_reported) {
        m_reported = true;
        std::printf("startup_ms %.2f\n", double(m_clock.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        // Ended from the event loop, once this paint has run to completion.
        QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace spartiti
