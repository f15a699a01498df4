// StandInMainWindow: a TEMPORARY main window for the Keyboard program, used only until the
// editing surface's frmMain is merged. It offers the part of frmMain's interface that the
// program's wiring uses (model, setEditMode, focusKey, EditKeyCommand, helpRequested) and
// shows the keys of the plane shown as text.
#pragma once

#include "keyboard/layout_model.h"

#include "common/messages.h"

#include <QMainWindow>

class QLabel;

namespace zerva::keyboard {

class StandInMainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit StandInMainWindow(common::Messenger& messenger, QWidget* parent = nullptr);

    LayoutModel& model() { return m_model; }
    bool isEditMode() const { return m_editMode; }
    void setEditMode(bool edit);
    void focusKey(int) {}
    void EditKeyCommand() {}

signals:
    void helpRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void redraw();

    LayoutModel m_model;
    QLabel* m_keys;
    bool m_editMode = false;
};

} // namespace zerva::keyboard
