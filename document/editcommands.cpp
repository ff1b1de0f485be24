#include "editcommands.h"


namespace spartiti {

FieldEditCommand::FieldEditCommand(ScoreCatalogue &catalogue, RecordView &view, int slot, ScoreCatalogue::Field field,
                                   const QString &before, const QString &after, int visit)
    : m_catalogue(catalogue)
    , m_view(view)
    , m_slot(slot)
    , m_field(field)
    , m_before(before)
    , m_after(after)
    , m_visit(visit)
{
    setText(QStringLiteral("modifica del campo %1 dello spartito %2")
                .arg(ScoreCatalogue::fieldName(field))
                .arg(slot));
}

void FieldEditCommand::apply(const QString &text)
{
    m_catalogue.setValue(m_field, m_slot, text);
    m_view.noteRecordChanged(m_slot);
    m_view.showRecord(m_slot);
}

void FieldEditCommand::undo()
{
    apply(m_before);
}

void FieldEditCommand::redo()
{
    // The first redo comes from the push, after the user already typed the text.
    if (!m_pushed) {
        m_pushed = true;
        return;
    }
    apply(m_after);
}

bool FieldEditCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const FieldEditCommand *>(other);
    if (next->m_slot != m_slot || next->m_field != m_field || next->m_visit != m_visit)
        return false;
    m_after = next->m_after;
    setObsolete(m_after == m_before);
    return true;
}

NewRecordCommand::NewRecordCommand(ScoreCatalogue &catalogue, RecordView &view, int countBefore, int maximumBefore,
                                   int positionBefore)
    : m_catalogue(catalogue)
    , m_view(view)
    , m_countBefore(countBefore)
    , m_maximumBefore(maximumBefore)
    , m_positionBefore(positionBefore)
{
    setText(QStringLiteral("nuovo titolo %1").arg(countBefore + 1));
}

void NewRecordCommand::redo()
{
    m_catalogue.setScoreCount(m_countBefore + 1);
    m_view.noteRecordChanged(m_countBefore + 1);
    m_view.setRecordRange(m_countBefore + 1);
    m_view.showRecord(m_countBefore + 1);
}

void NewRecordCommand::undo()
{
    m_catalogue.setScoreCount(m_countBefore);
    m_view.noteRecordChanged(m_countBefore + 1);
    m_view.showRecord(std::min(m_positionBefore, m_maximumBefore));
    m_view.setRecordRange(m_maximumBefore);
}

AttachCommand::AttachCommand(ScoreCatalogue &catalogue, RecordView &view, int number, AttachState before, AttachState after)
    : m_catalogue(catalogue)
    , m_view(view)
    , m_number(number)
    , m_before(std::move(before))
    , m_after(std::move(after))
{
    setText(QStringLiteral("allegato dello spartito %1").arg(number));
}

void AttachCommand::apply(const AttachState &target)
{
    for (const FileState &file : target.files) {
        if (auto error = FileStash::restore(file))
            m_view.reportUndoError(error->message);
    }
    if (target.categorySlot >= 0)
        m_catalogue.setValue(ScoreCatalogue::Field::Category, target.categorySlot, target.category);
    m_view.noteRecordChanged(m_number);
    m_view.showRecord(target.categorySlot >= 0 ? target.categorySlot : m_number);
}

void AttachCommand::undo()
{
    apply(m_before);
}

void AttachCommand::redo()
{
    if (!m_pushed) {
        m_pushed = true;
        return;
    }
    apply(m_after);
}

} // namespace spartiti
