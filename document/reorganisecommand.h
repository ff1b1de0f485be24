#pragma once

#include "reorganisation.h"

#include <QUndoCommand>

#include <functional>

namespace spartiti {

// A delete, insert or move of scores as one undoable step. Each way runs a whole
// reorganisation of the archive and the folder: undoing a deletion inserts the record
// again and brings its files back from "eliminati". The step is pushed once the
// reorganisation is done, so its first redo changes nothing.
class ReorganiseCommand : public QUndoCommand
{
public:
    // Runs one reorganisation and gives back its inverse; false when it failed, which
    // changes nothing on disk (the runner says why and drops the history, whose older
    // steps would no longer match the numbering).
    using Runner = std::function<bool(const Reorganisation &operation, Reorganisation &inverse)>;

    ReorganiseCommand(const QString &text, Reorganisation done, Reorganisation inverse, Runner run);

    void undo() override;
    void redo() override;

private:
    Reorganisation m_forward;
    Reorganisation m_backward;
    Runner m_run;
    bool m_pushed = false;
};

} // namespace spartiti
