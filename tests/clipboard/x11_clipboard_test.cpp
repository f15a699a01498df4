// The converter on the real X clipboard, with xclip as the other application: what xclip
// puts there is converted and read back by xclip byte for byte, and the watch follows it.
#include "clipboard/clipboard_command.h"
#include "clipboard/cls_clipboard.h"
#include "clipboard/platform/qt_clipboard_service.h"

#include "common/codepage.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/wait.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace zerva::clipboard;

namespace {

// 0xe1 (lam) to 0xe3 (meem), the pair 0xd3 0xe1 to 0xfa, 0xc8 dropped.
const char kTable[] = "225=227\r\n211+225=250\r\n200=\r\n";

class RealClipboard : public ::testing::Test {
protected:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            GTEST_SKIP() << "DISPLAY is not set: no X server for the real clipboard test";
        }
        if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
            GTEST_SKIP() << "not on the xcb platform";
        }
        m_xclip = QStandardPaths::findExecutable(QStringLiteral("xclip"));
        if (m_xclip.isEmpty()) {
            GTEST_SKIP() << "xclip is not installed";
        }
        service = std::make_unique<QtClipboardService>();
        watch = std::make_unique<clsClipboard>(*service);
        watch->InitClipboardChangeNotification([this](bool on) { button = on; });
    }
    void TearDown() override {
        watch.reset();
        for (auto& p : m_owners) {
            p->kill();
            p->waitForFinished(2000);
        }
    }

    // xclip takes the clipboard with one target and serves it until someone else takes it.
    void xclipPut(const QByteArray& bytes, const QString& target) {
        auto p = std::make_unique<QProcess>();
        p->start(m_xclip,
                 {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                  QStringLiteral("clipboard"), QStringLiteral("-t"), target, QStringLiteral("-i")});
        ASSERT_TRUE(p->waitForStarted());
        p->write(bytes);
        p->closeWriteChannel();
        m_owners.push_back(std::move(p));
    }

    // xclip reads one target; the event loop runs meanwhile, since this program may be the
    // owner that has to answer. Nothing when xclip fails (no such target, say).
    std::optional<QByteArray> xclipGet(const QString& target) {
        QProcess p;
        p.start(m_xclip, {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                          QStringLiteral("-t"), target, QStringLiteral("-o")});
        if (!p.waitForStarted() ||
            !zerva::test::waitUntil([&] { return p.state() == QProcess::NotRunning; }, 10000)) {
            return std::nullopt;
        }
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            return std::nullopt;
        }
        return p.readAllStandardOutput();
    }

    // Waits until the X clipboard's owner offers target (xclip's own view of it).
    bool waitForOwner(const QString& target) {
        return zerva::test::waitUntil(
            [&] {
                const auto targets = xclipGet(QStringLiteral("TARGETS"));
                return targets && targets->split('\n').contains(target.toLatin1());
            },
            10000);
    }

    // Waits until xclip, not this program, is the owner and offers target: a conversion of
    // an earlier test may have left this program as the owner.
    bool waitForXclip(const QString& target) {
        return zerva::test::waitUntil(
            [&] {
                const auto targets = xclipGet(QStringLiteral("TARGETS"));
                return targets && targets->split('\n').contains(target.toLatin1()) &&
                       !targets->contains(QtClipboardService::ownMimeType().toLatin1());
            },
            10000);
    }

    ConvertOutcome convert() {
        const auto table = parseClipboardTable(kTable, Direction::ToMs);
        EXPECT_TRUE(table);
        const ConvertOutcome outcome = ConvertClipboard(*table, *service, messenger);
        if (outcome == ConvertOutcome::Converted) {
            button = false; // what the window does after a conversion
            // The new owner is known to the server once this program's requests are out.
            EXPECT_TRUE(waitForOwner(QtClipboardService::ownMimeType()));
        }
        return outcome;
    }

    // The button must stay off although this program's write is reported as a change,
    // possibly late (here once more by hand, as some desktops do).
    void expectButtonStaysOff() {
        QTest::qWait(300);
        watch->clipboardChanged();
        EXPECT_FALSE(button);
    }

    static QByteArray utf8(std::initializer_list<int> cp1256Bytes) {
        QString s;
        for (int b : cp1256Bytes) {
            s += zerva::common::cp1256Char(static_cast<std::uint8_t>(b));
        }
        return s.toUtf8();
    }

    std::unique_ptr<QtClipboardService> service;
    std::unique_ptr<clsClipboard> watch;
    zerva::test::FakeMessenger messenger;
    bool button = false;

private:
    QString m_xclip;
    std::vector<std::unique_ptr<QProcess>> m_owners;
};

} // namespace

TEST_F(RealClipboard, TextFromXclipIsConvertedAndReadBackByXclip) {
    xclipPut(utf8({0xd3, 0xe1, 0x20, 0xe1, 0xc8, 0x41}), QStringLiteral("UTF8_STRING"));
    ASSERT_TRUE(zerva::test::waitUntil([&] { return button; }, 5000));

    EXPECT_EQ(convert(), ConvertOutcome::Converted);
    EXPECT_EQ(xclipGet(QStringLiteral("UTF8_STRING")), utf8({0xfa, 0x20, 0xe3, 0x41}));
    // Only what was there comes back.
    const QByteArray targets = xclipGet(QStringLiteral("TARGETS")).value_or(QByteArray());
    EXPECT_TRUE(targets.contains("UTF8_STRING")) << targets.toStdString();
    EXPECT_FALSE(targets.contains("rtf")) << targets.toStdString();
    expectButtonStaysOff();
    EXPECT_TRUE(messenger.boxes().empty());
}

// A legacy program's 8-bit text offered as bare "text/plain" is its bytes, not UTF-8 with
// replacement characters; text/plain that is valid UTF-8 is still read as UTF-8.
TEST_F(RealClipboard, EightBitPlainTextIsTakenAsItsBytes) {
    const QByteArray line = QByteArray::fromHex("d3e120e1c84120d3e10a");
    QByteArray legacy, expected;
    for (int k = 0; k < 100; ++k) {
        legacy += line;
        expected += utf8({0xfa, 0x20, 0xe3, 0x41, 0x20, 0xfa, 0x0a});
    }
    xclipPut(legacy, QStringLiteral("text/plain"));
    ASSERT_TRUE(waitForXclip(QStringLiteral("text/plain")));
    ASSERT_TRUE(zerva::test::waitUntil([&] { return button; }, 5000));
    EXPECT_EQ(convert(), ConvertOutcome::Converted);
    const QByteArray back = xclipGet(QStringLiteral("UTF8_STRING")).value_or(QByteArray());
    EXPECT_EQ(QString::fromUtf8(back).count(QChar(0xfffd)), 0);
    EXPECT_EQ(back, expected);
    expectButtonStaysOff();

    button = false;
    xclipPut(utf8({0xd3, 0xe1, 0x20, 0xe1}), QStringLiteral("text/plain"));
    ASSERT_TRUE(waitForXclip(QStringLiteral("text/plain")));
    ASSERT_TRUE(zerva::test::waitUntil([&] { return button; }, 5000));
    EXPECT_EQ(convert(), ConvertOutcome::Converted);
    EXPECT_EQ(xclipGet(QStringLiteral("UTF8_STRING")), utf8({0xfa, 0x20, 0xe3}));
    EXPECT_TRUE(messenger.boxes().empty());
}

// The same bytes offered as UTF8_STRING reach the program as replacement characters: the
// clipboard is left to xclip, bytes and all.
TEST_F(RealClipboard, EightBitTextClaimedAsUtf8IsLeftAlone) {
    const QByteArray legacy = QByteArray::fromHex("d3e120e1c841");
    xclipPut(legacy, QStringLiteral("UTF8_STRING"));
    ASSERT_TRUE(waitForXclip(QStringLiteral("UTF8_STRING")));
    ASSERT_TRUE(zerva::test::waitUntil([&] { return button; }, 5000));
    EXPECT_EQ(convert(), ConvertOutcome::ClipboardFailed);
    EXPECT_EQ(messenger.boxes().size(), 1u);
    EXPECT_EQ(xclipGet(QStringLiteral("UTF8_STRING")), legacy);
    EXPECT_TRUE(waitForXclip(QStringLiteral("UTF8_STRING")));
}

TEST_F(RealClipboard, RtfFromXclipIsConvertedUnderEveryRtfName) {
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1256 \\'d3\\'E1 \\'e1\\'c8 A\\par}";
    const QByteArray expected = "{\\rtf1\\ansi\\ansicpg1256 \\'fa \\'e3 A\\par}";
    for (const QString& name : QtClipboardService::rtfMimeTypes()) {
        SCOPED_TRACE(name.toStdString());
        button = false;
        xclipPut(rtf, name);
        ASSERT_TRUE(zerva::test::waitUntil([&] { return button; }, 5000));
        EXPECT_EQ(convert(), ConvertOutcome::Converted);
        for (const QString& back : QtClipboardService::rtfMimeTypes()) {
            EXPECT_EQ(xclipGet(back), expected) << back.toStdString();
        }
        const QByteArray targets = xclipGet(QStringLiteral("TARGETS")).value_or(QByteArray());
        EXPECT_FALSE(targets.contains("UTF8_STRING")) << targets.toStdString();
        expectButtonStaysOff();
    }
}

TEST_F(RealClipboard, ButtonFollowsXclipsChanges) {
    // Each change is let through before the next one, so that the watch sees every owner
    // and not only the last of two owners that followed each other at once.
    xclipPut("x", QStringLiteral("UTF8_STRING"));
    ASSERT_TRUE(waitForOwner(QStringLiteral("UTF8_STRING")));
    ASSERT_TRUE(zerva::test::waitUntil([&] { return button; }, 5000));
    QTest::qWait(200);
    xclipPut(QByteArray::fromHex("89504e470d0a1a0a"), QStringLiteral("image/png"));
    ASSERT_TRUE(waitForOwner(QStringLiteral("image/png")));
    EXPECT_TRUE(zerva::test::waitUntil([&] { return !button; }, 5000))
        << QGuiApplication::clipboard()->mimeData()->formats().join(QLatin1Char(' ')).toStdString();
    QTest::qWait(200);
    xclipPut("{\\rtf1 x}", QStringLiteral("text/rtf"));
    ASSERT_TRUE(waitForOwner(QStringLiteral("text/rtf")));
    EXPECT_TRUE(zerva::test::waitUntil([&] { return button; }, 5000));
}
