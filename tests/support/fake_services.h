// Fakes of the shared platform services.
#pragma once

#include "common/services.h"

#include <deque>

namespace zerva::test {

class FakeHelpViewer : public common::HelpViewer {
public:
    bool open(const QString& path) override {
        opened << path;
        return result;
    }
    QStringList opened;
    bool result = true;
};

class FakeSingleInstance : public common::SingleInstance {
public:
    bool raiseRunningCopy() override {
        ++raiseCalls;
        return running;
    }
    bool listen(std::function<void()> onRaise) override {
        listening = true;
        this->onRaise = std::move(onRaise);
        return true;
    }
    bool running = false;
    bool listening = false;
    int raiseCalls = 0;
    std::function<void()> onRaise;
};

// Answers open and save dialogs from a script; nothing (cancel) when it runs out.
class FakeFileDialogs : public common::FileDialogs {
public:
    std::optional<QString> openFile(const common::FileDialogArgs& args) override {
        return next(args);
    }
    std::optional<QString> saveFile(const common::FileDialogArgs& args) override {
        return next(args);
    }
    std::deque<std::optional<QString>> answers;
    std::vector<common::FileDialogArgs> asked;

private:
    std::optional<QString> next(const common::FileDialogArgs& args) {
        asked.push_back(args);
        if (answers.empty()) {
            return std::nullopt;
        }
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace zerva::test
