// Undoable changes of the keys.
#include "layout_edit.h"

namespace zerva::keyboard {

void LayoutEdit::undo(LayoutModel& model) const {
    model.setShiftPlaneShown(m_shiftPlane);
    model.restore(m_before);
}

void LayoutEdit::redo(LayoutModel& model) const {
    model.setShiftPlaneShown(m_shiftPlane);
    model.restore(m_after);
}

std::optional<LayoutEdit> EditRecorder::finish() const {
    LayoutSnapshot after = m_model.snapshot();
    if (after == m_before) {
        return std::nullopt;
    }
    return LayoutEdit(m_before, std::move(after), m_shiftPlane);
}

} // namespace zerva::keyboard
