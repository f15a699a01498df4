// The undo history of the main window: a QUndoStack of the core's layout edits, kept in step
// with the model. Reading another layout clears it; the state last read or saved is its clean
// state, so undoing back to it makes LayoutChanged false again.
#pragma once

#include "keyboard/layout_edit.h"

#include <QObject>
#include <QUndoStack>

#include <type_traits>
#include <utility>

namespace zerva::keyboard {

class LayoutUndo : public QObject {
    Q_OBJECT

public:
    explicit LayoutUndo(LayoutModel& model, QObject* parent = nullptr);
    // The stack empties itself as it goes: that must not reach a model that may be gone.
    ~LayoutUndo() override { m_stack.blockSignals(true); }

    QUndoStack& stack() { return m_stack; }
    void undo() { m_stack.undo(); }
    void redo() { m_stack.redo(); }

    // Runs action on the model and, when it changed any key, puts it on the stack as one step
    // named text. Returns what action returned.
    template <typename Action> auto edit(const QString& text, Action&& action) {
        const EditRecorder recorder(m_model);
        if constexpr (std::is_void_v<decltype(action())>) {
            std::forward<Action>(action)();
            push(text, recorder);
        } else {
            auto result = std::forward<Action>(action)();
            push(text, recorder);
            return result;
        }
    }

    // The names of the steps, shown as the undo and redo items' tips.
    static QString placeText();
    static QString clearText();
    static QString moveText();
    static QString editKeyText();

private:
    void push(const QString& text, const EditRecorder& recorder);

    LayoutModel& m_model;
    QUndoStack m_stack;
};

} // namespace zerva::keyboard
