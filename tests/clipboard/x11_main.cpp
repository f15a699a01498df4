// The main of the X clipboard suite: the real xcb platform when there is a display, so the
// clipboard is the X server's; offscreen otherwise, where every test skips.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY");
    qputenv("QT_QPA_PLATFORM", display ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("ZervaTests"));
    return RUN_ALL_TESTS();
}
