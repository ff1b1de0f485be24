#pragma once

#include "catalogue.h"
#include "filestash.h"

#include <QList>
#include <QUndoCommand>

namespace spartiti {

// What an undoable step needs from the editor window: to show a record (moving the
// selector there, or displaying it anew when it is already there) and to set how far
// the selector reaches.
class RecordView
{
public:
    virtual ~RecordView() = default;
    virtual void showRecord(int number) = 0;
    virtual void setRecordRange(int maximum) = 0;
    virtual void reportUndoError(const QString &message) = 0;
    // The values or the count of records changed at this record, for the views that
    // show many records at once.
    virtual void noteRecordChanged(int number) = 0;
};

// Typing in one field during one visit is one step; the step is pushed after the
// catalogue already holds the new text, so its first redo changes nothing.
class FieldEditCommand : public QUndoCommand
{
public:
    FieldEditCommand(ScoreCatalogue &catalogue, RecordView &view, int slot, ScoreCatalogue::Field field,
                     const QString &before, const QString &after, int visit);

    void undo() override;
    void redo() override;
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand *other) override;

private:
    void apply(const QString &text);

    ScoreCatalogue &m_catalogue;
    RecordView &m_view;
    int m_slot;
    ScoreCatalogue::Field m_field;
    QString m_before, m_after;
    int m_visit;
    bool m_pushed = false;
};

// "+": one more counted record, the selector on it.
class NewRecordCommand : public QUndoCommand
{
public:
    NewRecordCommand(ScoreCatalogue &catalogue, RecordView &view, int countBefore, int maximumBefore, int positionBefore);

    void undo() override;
    void redo() override;

private:
    ScoreCatalogue &m_catalogue;
    RecordView &m_view;
    int m_countBefore, m_maximumBefore, m_positionBefore;
};

// An attach: the files of one score and its category before and after.
struct AttachState
{
    QList<FileState> files;
    int categorySlot = -1;
    QString category;
};

class AttachCommand : public QUndoCommand
{
public:
    AttachCommand(ScoreCatalogue &catalogue, RecordView &view, int number, AttachState before, AttachState after);

    void undo() override;
    void redo() override;

private:
    void apply(const AttachState &target);

    ScoreCatalogue &m_catalogue;
    RecordView &m_view;
    int m_number;
    AttachState m_before, m_after;
    bool m_pushed = false;
};

} // namespace spartiti
