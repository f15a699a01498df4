// Start-up checks against a settings store made in the test, and the system folder.
#include "keyboard/startup_checks.h"
#include "keyboard/windir.h"

#include "common/settings_store.h"
#include "tests/support/fake_keyboard_services.h"
#include "tests/support/fake_messenger.h"
#include "tests/support/fake_services.h"
#include "tests/support/reg_bytes.h"
#include "tests/support/test_paths.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva;
using keyboard::PlatformStatus;
using keyboard::StartupOutcome;

namespace {

const QByteArray kCodePage1256 =
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Nls\\CodePage]\n\"ACP\"=\"1256\"\n";

// REGEDIT4 sections for the user's layout list: one entry per id, numbered from 1; an empty
// id leaves a gap at that number.
QByteArray layoutList(const QStringList& ids) {
    QByteArray out;
    for (int i = 0; i < ids.size(); ++i) {
        if (!ids[i].isEmpty()) {
            out += QStringLiteral("[HKEY_CURRENT_USER\\Keyboard Layout\\Preload\\%1]\n@=\"%2\"\n")
                       .arg(i + 1)
                       .arg(ids[i])
                       .toUtf8();
        }
    }
    return out;
}

QStringList manyLayouts(int count, const QString& last = QStringLiteral("00000409")) {
    QStringList ids(count - 1, QStringLiteral("00000409"));
    ids << last;
    return ids;
}

const QByteArray kSubstitute =
    "[HKEY_CURRENT_USER\\Keyboard Layout\\Substitutes\\00000401]\n@=\"00000429\"\n";

struct StartupCase {
    const char* name;
    PlatformStatus platform = PlatformStatus::Supported;
    bool running = false;
    QByteArray defaults;
    QByteArray user;
    StartupOutcome outcome = StartupOutcome::Proceed;
    QStringList messages;
    bool substituteRemoved = true;
};

void PrintTo(const StartupCase& c, std::ostream* os) {
    *os << c.name;
}

class StartupChecks : public ::testing::TestWithParam<StartupCase> {};

TEST_P(StartupChecks, ShowItsMessagesInOrderAndEndWhereTheyFail) {
    const StartupCase& c = GetParam();
    QTemporaryDir dir;
    const QString defaultsFile = dir.filePath(QStringLiteral("defaults.reg"));
    const QString userFile = dir.filePath(QStringLiteral("user.reg"));
    ASSERT_TRUE(test::writeFile(defaultsFile, "REGEDIT4\n\n" + c.defaults));
    if (!c.user.isEmpty()) {
        ASSERT_TRUE(test::writeFile(userFile, "REGEDIT4\n\n" + c.user));
    }
    common::SettingsStore store(userFile, defaultsFile);
    test::FakePlatformCheck platform;
    platform.status = c.platform;
    test::FakeSingleInstance instance;
    instance.running = c.running;
    test::FakeMessenger messenger;

    const StartupOutcome outcome =
        keyboard::runStartupChecks({platform, instance, store, messenger});

    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(keyboard::goesOn(outcome), c.outcome == StartupOutcome::Proceed);
    EXPECT_EQ(messenger.all(), c.messages);
    EXPECT_TRUE(messenger.boxes().empty()) << "start-up speaks only through the system box";
    EXPECT_EQ(platform.calls, 1);
    // A copy is looked for only on the right platform.
    EXPECT_EQ(instance.raiseCalls, c.platform == PlatformStatus::Supported ? 1 : 0);
    const QString substitute = common::RegReadString(store, common::HKEY_CURRENT_USER,
                                                     keyboard::kArabicSubstituteKey, QString());
    EXPECT_EQ(substitute == common::kNotFound, c.substituteRemoved) << substitute.toStdString();
}

const QString kPlatform = QStringLiteral("This program runs on Arabic Windows 98/ME.");
const QString kVersion = QStringLiteral("Unable to read Windows version.");
const QString kLayout = QStringLiteral("ZERVA 2001 keyboard layout is not set or set incorrectly.");
const QStringList kUsualList{QStringLiteral("00000409"), QStringLiteral("00000401")};

INSTANTIATE_TEST_SUITE_P(
    Cases, StartupChecks,
    ::testing::Values(
        StartupCase{"FreshInstallationGoesOn",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256 + layoutList(kUsualList),
                    {},
                    StartupOutcome::Proceed,
                    {}},
        StartupCase{"VersionUnreadableEndsFirst",
                    PlatformStatus::VersionUnreadable,
                    false,
                    layoutList({}),
                    kSubstitute,
                    StartupOutcome::VersionUnreadable,
                    {kVersion},
                    false},
        StartupCase{"WrongPlatformEndsBeforeTouchingSettings",
                    PlatformStatus::Unsupported,
                    false,
                    kCodePage1256 + layoutList(kUsualList),
                    kSubstitute,
                    StartupOutcome::WrongPlatform,
                    {kPlatform},
                    false},
        StartupCase{"RunningCopyEndsSilentlyAndKeepsSubstitute",
                    PlatformStatus::Supported,
                    true,
                    layoutList({}),
                    kSubstitute,
                    StartupOutcome::AlreadyRunning,
                    {},
                    false},
        StartupCase{"SubstituteInUserFileIsRemoved",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256 + layoutList(kUsualList),
                    kSubstitute,
                    StartupOutcome::Proceed,
                    {}},
        StartupCase{"SubstituteInDefaultsIsHidden",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256 + layoutList(kUsualList) + kSubstitute,
                    {},
                    StartupOutcome::Proceed,
                    {}},
        // The reset runs before the code page check, so it happens even when that fails.
        StartupCase{"WrongCodePageAfterReset",
                    PlatformStatus::Supported,
                    false,
                    layoutList(kUsualList),
                    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Nls\\CodePage]\n"
                    "\"ACP\"=\"1252\"\n" +
                        kSubstitute,
                    StartupOutcome::WrongCodePage,
                    {kPlatform}},
        StartupCase{"MissingCodePage",
                    PlatformStatus::Supported,
                    false,
                    layoutList(kUsualList),
                    {},
                    StartupOutcome::WrongCodePage,
                    {kPlatform}},
        StartupCase{"CodePageWithTrailingSpaceIsWrong",
                    PlatformStatus::Supported,
                    false,
                    layoutList(kUsualList),
                    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Nls\\CodePage]\n"
                    "\"ACP\"=\"1256 \"\n",
                    StartupOutcome::WrongCodePage,
                    {kPlatform}},
        // Only the first failing check speaks.
        StartupCase{"CodePageMessageComesBeforeLayoutMessage",
                    PlatformStatus::Supported,
                    false,
                    layoutList({}),
                    {},
                    StartupOutcome::WrongCodePage,
                    {kPlatform}},
        StartupCase{"ArabicAtThirdPlaceGoesOn",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256 +
                        layoutList({QStringLiteral("00000409"), QStringLiteral("00000429"),
                                    QStringLiteral("00000401")}),
                    {},
                    StartupOutcome::Proceed,
                    {}},
        StartupCase{"ListEndingBeforeArabic",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256 +
                        layoutList({QStringLiteral("00000409"), QStringLiteral("00000429")}),
                    {},
                    StartupOutcome::ArabicLayoutMissing,
                    {kLayout}},
        StartupCase{"GapBeforeArabic",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256 + layoutList({QStringLiteral("00000409"), QString(),
                                                QStringLiteral("00000401")}),
                    {},
                    StartupOutcome::ArabicLayoutMissing,
                    {kLayout}},
        StartupCase{"EmptyList",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256,
                    {},
                    StartupOutcome::ArabicLayoutMissing,
                    {kLayout}},
        StartupCase{"ArabicAtTheLastSearchedPlace",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256 + layoutList(manyLayouts(255, QStringLiteral("00000401"))),
                    {},
                    StartupOutcome::Proceed,
                    {}},
        StartupCase{"FullListWithoutArabic",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256 + layoutList(manyLayouts(256, QStringLiteral("00000401"))),
                    {},
                    StartupOutcome::ArabicLayoutMissing,
                    {kLayout}},
        // The user's file wins over the defaults, entry by entry.
        StartupCase{"UserListOverridesDefaults",
                    PlatformStatus::Supported,
                    false,
                    kCodePage1256 + layoutList(kUsualList),
                    layoutList({QStringLiteral("00000409"), QStringLiteral("00000409")}),
                    StartupOutcome::ArabicLayoutMissing,
                    {kLayout}}),
    [](const ::testing::TestParamInfo<StartupCase>& info) { return info.param.name; });

// Persian text that code page 1256 holds.
const QString kPersian = QStringLiteral("\u0635\u0641\u062D\u0647 \u0643\u0644\u064A\u062F");

struct SettingsFileCase {
    const char* name;
    test::RegBytes encoding;
    const char* lineEnd;
    bool version5;
};

void PrintTo(const SettingsFileCase& c, std::ostream* os) {
    *os << c.name;
}

class StartupKeepsSettingsFile : public ::testing::TestWithParam<SettingsFileCase> {};

// The start deletes the substitute key from the user's file; everything else in the file,
// whatever its encoding and line ends, stays byte for byte.
TEST_P(StartupKeepsSettingsFile, ByteForByteExceptTheSubstitute) {
    const SettingsFileCase& c = GetParam();
    QTemporaryDir dir;
    const QString defaultsFile = dir.filePath(QStringLiteral("defaults.reg"));
    const QString userFile = dir.filePath(QStringLiteral("user.reg"));
    ASSERT_TRUE(
        test::writeFile(defaultsFile, "REGEDIT4\n\n" + kCodePage1256 + layoutList(kUsualList)));
    const QStringList head{c.version5 ? QStringLiteral("Windows Registry Editor Version 5.00")
                                      : QStringLiteral("REGEDIT4"),
                           QString(),
                           QStringLiteral("[HKEY_CURRENT_USER\\Control Panel\\International]"),
                           QStringLiteral("\"sLongDate\"=\"%1\"").arg(kPersian),
                           QStringLiteral("\"Raw\"=hex:01,02,\\"),
                           QStringLiteral("  03"),
                           QString()};
    const QStringList substitute{
        QStringLiteral("[HKEY_CURRENT_USER\\Keyboard Layout\\Substitutes\\00000401]"),
        QStringLiteral("@=\"00000429\""), QString()};
    const QStringList tail{QStringLiteral("[HKEY_CURRENT_USER\\Software\\%1]").arg(kPersian),
                           QStringLiteral("@=\"%1\"").arg(kPersian)};
    const QString lineEnd = QString::fromLatin1(c.lineEnd);
    ASSERT_TRUE(
        test::writeFile(userFile, test::regBytes(head + substitute + tail, c.encoding, lineEnd)));
    common::SettingsStore store(userFile, defaultsFile);
    test::FakePlatformCheck platform;
    test::FakeSingleInstance instance;
    test::FakeMessenger messenger;

    EXPECT_EQ(keyboard::runStartupChecks({platform, instance, store, messenger}),
              StartupOutcome::Proceed);
    EXPECT_TRUE(messenger.all().isEmpty());
    EXPECT_EQ(test::readFile(userFile), test::regBytes(head + tail, c.encoding, lineEnd));
    EXPECT_EQ(common::RegReadString(store, common::HKEY_CURRENT_USER,
                                    QStringLiteral("Control Panel\\International"),
                                    QStringLiteral("sLongDate")),
              kPersian);
}

INSTANTIATE_TEST_SUITE_P(
    Files, StartupKeepsSettingsFile,
    ::testing::Values(SettingsFileCase{"Cp1256CrLf", test::RegBytes::Cp1256, "\r\n", false},
                      SettingsFileCase{"Cp1256Cr", test::RegBytes::Cp1256, "\r", false},
                      SettingsFileCase{"Utf8Lf", test::RegBytes::Utf8, "\n", false},
                      SettingsFileCase{"Utf16LeVersion5", test::RegBytes::Utf16Le, "\r\n", true}),
    [](const ::testing::TestParamInfo<SettingsFileCase>& info) { return info.param.name; });

TEST(StartupSettings, UnreadableUserFileIsReportedLeftAloneAndDefaultsUsed) {
    QTemporaryDir dir;
    const QString defaultsFile = dir.filePath(QStringLiteral("defaults.reg"));
    const QString userFile = dir.filePath(QStringLiteral("user.reg"));
    ASSERT_TRUE(
        test::writeFile(defaultsFile, "REGEDIT4\n\n" + kCodePage1256 + layoutList(kUsualList)));
    const QByteArray garbage("PK\x03\x04\x14\0\0\0\x08\0[HKEY_CURRENT_USER]", 29);
    ASSERT_TRUE(test::writeFile(userFile, garbage));
    common::SettingsStore store(userFile, defaultsFile);
    test::FakePlatformCheck platform;
    test::FakeSingleInstance instance;
    test::FakeMessenger messenger;

    EXPECT_EQ(keyboard::runStartupChecks({platform, instance, store, messenger}),
              StartupOutcome::Proceed);
    ASSERT_EQ(messenger.boxes().size(), 1u);
    EXPECT_EQ(messenger.boxes()[0].prompt,
              QStringLiteral("فايل تنظيمات شما خوانده نشد و برنامه آن را تغيير نميدهد:") +
                  QLatin1Char('\n') + QChar(0x200E) + userFile + QLatin1Char('\n') +
                  QStringLiteral("برنامه با تنظيمات اوليه ادامه ميدهد."));
    EXPECT_EQ(messenger.boxes()[0].title, common::noticeTitle());
    EXPECT_EQ(messenger.boxes()[0].button, common::kOkOnly);
    EXPECT_EQ(test::readFile(userFile), garbage);
}

// Restores an environment variable when the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had) {
            qputenv(m_name, m_old);
        } else {
            qunsetenv(m_name);
        }
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

TEST(Windir, VariableWinsAndEmptyOrUnsetMeansUserDataFolder) {
    const QString dataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/Zerva/Windows");
    {
        ScopedEnv env(keyboard::kWindirVariable, "/srv/win98/");
        EXPECT_EQ(keyboard::Windir(), QStringLiteral("/srv/win98"));
        EXPECT_EQ(keyboard::systemLayoutPath(), QStringLiteral("/srv/win98/System/KBDA1.KBD"));
    }
    {
        // An empty value would otherwise put the system's file in the current folder.
        ScopedEnv env(keyboard::kWindirVariable, "");
        EXPECT_EQ(keyboard::Windir(), dataFolder);
    }
    qunsetenv(keyboard::kWindirVariable);
    EXPECT_EQ(keyboard::Windir(), dataFolder);
    EXPECT_EQ(keyboard::systemLayoutPath(), dataFolder + QStringLiteral("/System/KBDA1.KBD"));
}

TEST(Windir, SeedingWritesOnceAndNeverOverwritesTheUsersLayout) {
    QTemporaryDir dir;
    ScopedEnv env(keyboard::kWindirVariable, dir.filePath(QStringLiteral("Win")).toUtf8());
    const QByteArray standard(528, '\x44');
    const QString path = keyboard::systemLayoutPath();

    EXPECT_EQ(keyboard::seedSystemLayoutFile(standard), keyboard::SeedResult::Created);
    EXPECT_EQ(test::readFile(path), standard);

    const QByteArray edited(500, '\x01');
    ASSERT_TRUE(test::writeFile(path, edited));
    EXPECT_EQ(keyboard::seedSystemLayoutFile(standard), keyboard::SeedResult::AlreadyPresent);
    EXPECT_EQ(test::readFile(path), edited);
}

TEST(Windir, SeedingFailsCleanlyWhereTheFolderCannotBeMade) {
    QTemporaryDir dir;
    const QString blocker = dir.filePath(QStringLiteral("Win"));
    ASSERT_TRUE(test::writeFile(blocker, "a file where the folder should be"));
    const QString path = blocker + QStringLiteral("/System/KBDA1.KBD");
    EXPECT_EQ(keyboard::seedLayoutFile(path, QByteArray(528, 'x')), keyboard::SeedResult::Failed);
    EXPECT_EQ(keyboard::seedLayoutFile(dir.filePath(QStringLiteral("empty.kbd")), {}),
              keyboard::SeedResult::Failed);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("empty.kbd"))));
}

} // namespace
