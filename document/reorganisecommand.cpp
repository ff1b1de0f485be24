#include "reorganisecommand.h"

namespace spartiti {

ReorganiseCommand::ReorganiseCommand(const QString &text, Reorganisation done, Reorganisation inverse, Runner run)
    : QUndoCommand(text), m_forward(std::move(done)), m_backward(std::move(inverse)), m_run(std::move(run))
{
}

void ReorganiseCommand::undo()
{
    // A deletion undone and redone goes to a new dated folder, so the inverse of each
    // run is the one to keep.
    Reorganisation again;
    if (m_run(m_backward, again))
        m_forward = again;
}

void ReorganiseCommand::redo()
{
    if (!m_pushed) {
        m_pushed = true;
        return;
    }
    Reorganisation back;
    if (m_run(m_forward, back))
        m_backward = back;
}

} // namespace spartiti
