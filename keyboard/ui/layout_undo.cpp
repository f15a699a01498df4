// The window's undo stack over the core's layout edits.
#include "layout_undo.h"

#include <QUndoCommand>

namespace zerva::keyboard {
namespace {

class LayoutUndoCommand : public QUndoCommand {
public:
    LayoutUndoCommand(LayoutModel& model, LayoutEdit edit, const QString& text)
        : QUndoCommand(text), m_model(model), m_edit(std::move(edit)) {}

    void undo() override { m_edit.undo(m_model); }
    void redo() override {
        // The first redo is the push: the action has already changed the model.
        if (m_pushed) {
            m_edit.redo(m_model);
        }
        m_pushed = true;
    }

private:
    LayoutModel& m_model;
    LayoutEdit m_edit;
    bool m_pushed = false;
};

} // namespace

LayoutUndo::LayoutUndo(LayoutModel& model, QObject* parent) : QObject(parent), m_model(model) {
    m_stack.setObjectName(QStringLiteral("undoStack"));
    // Another layout was read: its edits start a new history.
    connect(&m_model, &LayoutModel::layoutReplaced, &m_stack, &QUndoStack::clear);
    // Read, saved or installed: this is the state that needs no saving.
    connect(&m_model, &LayoutModel::layoutChangedChanged, this, [this](bool changed) {
        if (!changed) {
            m_stack.setClean();
        }
    });
    connect(&m_stack, &QUndoStack::cleanChanged, this, [this](bool clean) {
        if (clean) {
            m_model.setLayoutChanged(false);
        }
    });
}

void LayoutUndo::push(const QString& text, const EditRecorder& recorder) {
    std::optional<LayoutEdit> e = recorder.finish();
    if (e) {
        m_stack.push(new LayoutUndoCommand(m_model, std::move(*e), text));
    }
}

QString LayoutUndo::placeText() {
    return QStringLiteral("درج حرف");
}

QString LayoutUndo::clearText() {
    return QStringLiteral("حذف حرف");
}

QString LayoutUndo::moveText() {
    return QStringLiteral("جابجايي كليد");
}

QString LayoutUndo::editKeyText() {
    return QStringLiteral("ويرايش كليد");
}

} // namespace zerva::keyboard
