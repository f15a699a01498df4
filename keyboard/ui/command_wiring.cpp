// The close question as an event filter, so the window itself needs no code for it.
#include "command_wiring.h"

#include <QCloseEvent>
#include <QMainWindow>

namespace zerva::keyboard {
namespace {

class CloseGuard : public QObject {
public:
    CloseGuard(Commands& commands, QObject* parent) : QObject(parent), m_commands(commands) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && !m_commands.queryClose()) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    Commands& m_commands;
};

} // namespace

KeyboardMenuBar* installCommands(QMainWindow& window, Commands& commands) {
    auto* bar = new KeyboardMenuBar(commands, &window);
    window.setMenuBar(bar);
    window.installEventFilter(new CloseGuard(commands, &window));
    return bar;
}

} // namespace zerva::keyboard
