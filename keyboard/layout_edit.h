// One undoable change of the keys: the layout before and after it, and the plane it was made
// in. A window records each user action with EditRecorder and keeps the edits in its undo
// stack; undoing and redoing are the model's own restore, so every kind of change (placing,
// emptying, swapping, the key edit dialog, run-time entries added or renumbered) undoes alike.
#pragma once

#include "keyboard/layout_model.h"

#include <optional>

namespace zerva::keyboard {

class LayoutEdit {
public:
    LayoutEdit(LayoutSnapshot before, LayoutSnapshot after, bool shiftPlane)
        : m_before(std::move(before)), m_after(std::move(after)), m_shiftPlane(shiftPlane) {}

    // Each shows the plane the edit was made in, so the user sees what came back.
    void undo(LayoutModel& model) const;
    void redo(LayoutModel& model) const;

    const LayoutSnapshot& before() const { return m_before; }
    const LayoutSnapshot& after() const { return m_after; }
    bool shiftPlane() const { return m_shiftPlane; }

private:
    LayoutSnapshot m_before;
    LayoutSnapshot m_after;
    bool m_shiftPlane;
};

// Remembers the layout when made; finish() gives the edit since then, or nothing when the
// action changed no key (a refused drop, a cancelled dialog).
class EditRecorder {
public:
    explicit EditRecorder(const LayoutModel& model)
        : m_model(model), m_before(model.snapshot()), m_shiftPlane(model.shiftPlaneShown()) {}

    std::optional<LayoutEdit> finish() const;

private:
    const LayoutModel& m_model;
    LayoutSnapshot m_before;
    bool m_shiftPlane;
};

} // namespace zerva::keyboard
