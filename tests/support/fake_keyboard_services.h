// Fakes of the keyboard program's platform services.
#pragma once

#include "keyboard/layout_reloader.h"
#include "keyboard/startup_checks.h"

#include <vector>

namespace zerva::test {

class FakePlatformCheck : public keyboard::PlatformCheck {
public:
    keyboard::PlatformStatus check() override {
        ++calls;
        return status;
    }
    keyboard::PlatformStatus status = keyboard::PlatformStatus::Supported;
    int calls = 0;
};

// Records every layout it is asked to install and answers with a preset result.
class FakeLayoutReloader : public keyboard::LayoutReloader {
public:
    keyboard::ReloadResult reload(const keyboard::XkbKeyTexts& texts) override {
        installed.push_back(texts);
        return result;
    }
    keyboard::ReloadResult result{keyboard::ReloadResult::Loaded, {}};
    std::vector<keyboard::XkbKeyTexts> installed;
};

} // namespace zerva::test
