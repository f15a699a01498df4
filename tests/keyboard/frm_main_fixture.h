// The window tests' common start: a main window holding the standard layout, shown, with the
// first key focused and no message yet; and a character by its code page 1256 byte.
#pragma once

#include "common/codepage.h"
#include "keyboard/layout_file.h"
#include "keyboard/standard_layout.h"
#include "keyboard/ui/frm_main.h"
#include "tests/support/fake_messenger.h"

#include <QString>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace zerva::keyboard::test {

inline QString ch(int code) {
    return QString(common::cp1256Char(static_cast<std::uint8_t>(code)));
}

class FrmMainFixture : public ::testing::Test {
public:
    // editMode: the window starts in edit mode (as after Edit from the menu).
    void showWindow(bool editMode) {
        w = std::make_unique<frmMain>(msg);
        ASSERT_EQ(readLayoutBytes(model(), standardLayoutImage(), msg), ReadOutcome::Read);
        model().setLayoutChanged(false);
        if (editMode) {
            w->setEditMode(true);
        }
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
        w->focusKey(0);
        msg.clear();
    }

    LayoutModel& model() { return w->model(); }

    zerva::test::FakeMessenger msg;
    std::unique_ptr<frmMain> w;
};

} // namespace zerva::keyboard::test
