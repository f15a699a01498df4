// The scripted message interface.
#include "fake_messenger.h"

namespace zerva::test {

int FakeMessenger::MsgBox(const common::MsgBoxArgs& args) {
    m_boxes.push_back(args);
    m_all << args.prompt;
    if (args.intervalTime != 0 || m_answers.empty()) {
        return common::presetAnswer(args.button);
    }
    const int a = m_answers.front();
    m_answers.pop_front();
    return a;
}

void FakeMessenger::systemMessage(const QString& text, const QString&) {
    m_system << text;
    m_all << text;
}

QStringList FakeMessenger::prompts() const {
    QStringList out;
    for (const auto& b : m_boxes) {
        out << b.prompt;
    }
    return out;
}

void FakeMessenger::clear() {
    m_answers.clear();
    m_boxes.clear();
    m_system.clear();
    m_all.clear();
}

} // namespace zerva::test
