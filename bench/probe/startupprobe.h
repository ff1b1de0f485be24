#pragma once

#include <QElapsedTimer>
#include <QObject>

class QWidget;

namespace spartiti {

// Measures start-up for the benchmark: with SPARTITI_STARTUP_PROBE=1 in the environment
// it prints the milliseconds from its construction, first thing in main, to the first
// paint of a watched window and that window's name, and then ends the program. A message
// box shown on the way is printed as "message <text>" and closed, as if the user had
// pressed Escape, so that a start that stops with a message ends too. Otherwise it does
// nothing.
class StartupProbe : public QObject
{
    Q_OBJECT

public:
    StartupProbe();

    void watch(QWidget *window);
    // Starts answering message boxes; call once the application object exists.
    void answerMessages();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QElapsedTimer m_clock;
    bool m_reported = false;
};

} // namespace spartiti
