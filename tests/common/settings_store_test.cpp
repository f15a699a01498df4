// The settings store: REGEDIT4 parsing, the user file over the defaults, RegReadString's rules.
#include "common/settings_store.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::common;
using zerva::test::writeFile;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        m_user = m_dir.filePath(QStringLiteral("user/registry.reg"));
        m_defaults = m_dir.filePath(QStringLiteral("defaults.reg"));
    }
    void defaults(const QString& body) {
        ASSERT_TRUE(writeFile(m_defaults, (QStringLiteral("REGEDIT4\n\n") + body).toUtf8()));
    }
    void user(const QString& body) {
        ASSERT_TRUE(writeFile(m_user, (QStringLiteral("REGEDIT4\n\n") + body).toUtf8()));
    }
    SettingsStore store() const { return SettingsStore(m_user, m_defaults); }
    QString read(RegRoot root, const QString& key, const QString& value) const {
        return RegReadString(store(), root, key, value);
    }

    QTemporaryDir m_dir;
    QString m_user;
    QString m_defaults;
};

TEST_F(SettingsStoreTest, RegReadString_ValueTypesAndMissingEntries) {
    defaults(QStringLiteral(
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Nls\\CodePage]\n"
        "\"ACP\"=\"1256\"\n"
        "\"Empty\"=\"\"\n"
        "\"Quoted\"=\"C:\\\\Zerva \\\"2001\\\"\"\n"
        "\"Bytes\"=hex:00,0f,10\n"
        "\"Long\"=hex:01,ab,\\\n"
        "  ff\n"
        "\"Number\"=dword:0001e240\n"
        "\"Small\"=dword:00000007\n"
        "\"Expand\"=hex(2):25,54,45,4d,50,25,00\n"
        "\"Literal\"=\"Not Found\"\n"
        "@=\"the default\"\n"));
    const QString key = QStringLiteral("System\\CurrentControlSet\\Control\\Nls\\CodePage");
    struct Case {
        const char* name;
        RegRoot root;
        QString key;
        QString value;
        QString expected;
    };
    const Case cases[] = {
        {"string", HKEY_LOCAL_MACHINE, key, QStringLiteral("ACP"), QStringLiteral("1256")},
        {"empty string", HKEY_LOCAL_MACHINE, key, QStringLiteral("Empty"), QString()},
        {"escapes", HKEY_LOCAL_MACHINE, key, QStringLiteral("Quoted"),
         QStringLiteral("C:\\Zerva \"2001\"")},
        {"raw bytes", HKEY_LOCAL_MACHINE, key, QStringLiteral("Bytes"), QStringLiteral("000F10")},
        {"continued hex", HKEY_LOCAL_MACHINE, key, QStringLiteral("Long"), QStringLiteral("01ABFF")},
        {"whole number", HKEY_LOCAL_MACHINE, key, QStringLiteral("Number"),
         QStringLiteral("123456")},
        {"small number", HKEY_LOCAL_MACHINE, key, QStringLiteral("Small"), QStringLiteral("7")},
        {"expandable string is not expanded", HKEY_LOCAL_MACHINE, key, QStringLiteral("Expand"),
         QStringLiteral("%TEMP%")},
        {"default value", HKEY_LOCAL_MACHINE, key, QString(), QStringLiteral("the default")},
        {"case-insensitive names", HKEY_LOCAL_MACHINE,
         QStringLiteral("system\\currentcontrolset\\CONTROL\\nls\\codepage"),
         QStringLiteral("acp"), QStringLiteral("1256")},
        {"literal Not Found", HKEY_LOCAL_MACHINE, key, QStringLiteral("Literal"), kNotFound},
        {"missing value", HKEY_LOCAL_MACHINE, key, QStringLiteral("OEMCP"), kNotFound},
        {"missing key", HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Nothing"),
         QStringLiteral("Path"), kNotFound},
        {"other root", HKEY_CURRENT_USER, key, QStringLiteral("ACP"), kNotFound},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(read(c.root, c.key, c.value), c.expected) << c.name;
    }
}

TEST_F(SettingsStoreTest, RegReadString_LengthLimitOfTheBuffer) {
    const QString s2047(2047, QLatin1Char('x'));
    const QString s2048(2048, QLatin1Char('x'));
    QString hex2049;
    for (int i = 0; i < 2049; ++i) {
        hex2049 += i == 0 ? QStringLiteral("ab") : QStringLiteral(",ab");
    }
    defaults(QStringLiteral("[HKEY_CURRENT_USER\\Test]\n\"A\"=\"%1\"\n\"B\"=\"%2\"\n\"C\"=hex:%3\n")
                 .arg(s2047, s2048, hex2049));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("Test"), QStringLiteral("A")), s2047);
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("Test"), QStringLiteral("B")), kNotFound);
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("Test"), QStringLiteral("C")), kNotFound);
}

TEST_F(SettingsStoreTest, RegReadString_NeverFailsOnBrokenOrMissingFiles) {
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("Path")), kNotFound);
    defaults(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001\n"
                            "\"Path\"=\"unterminated\n"
                            "\"help\"=hex:zz,01\n"
                            "\"n\"=dword:123456789\n"
                            "garbage line\n"));
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("Path")), kNotFound);
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("help")), kNotFound);
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("n")), kNotFound);
}

TEST_F(SettingsStoreTest, UserFileWinsAndDeletionHidesDefaults) {
    defaults(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001]\n"
                            "\"Path\"=\"/usr/share/zerva\"\n\"help\"=\"/usr/share/zerva/h.html\"\n"
                            "[HKEY_CURRENT_USER\\Keyboard Layout\\Substitutes]\n"
                            "\"00000401\"=\"00000429\"\n"));
    user(QStringLiteral("[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001]\n"
                        "\"Path\"=\"/home/u/zerva\"\n"));
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("Path")),
              QStringLiteral("/home/u/zerva"));
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("help")),
              QStringLiteral("/usr/share/zerva/h.html"));

    SettingsStore s = store();
    ASSERT_TRUE(s.deleteKey(HKEY_CURRENT_USER, QStringLiteral("keyboard layout\\substitutes")));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("Keyboard Layout\\Substitutes"),
                   QStringLiteral("00000401")),
              kNotFound);
    // The defaults are never written; the user's file keeps its other keys.
    EXPECT_TRUE(zerva::test::readFile(m_defaults).contains("00000429"));
    EXPECT_EQ(read(HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("Path")),
              QStringLiteral("/home/u/zerva"));
}

TEST_F(SettingsStoreTest, SetStringThenDeleteKeyWithSubkeys) {
    SettingsStore s = store();
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A\\B"), QStringLiteral("x"),
                            QStringLiteral("one \"q\" \\")));
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A\\B\\C"), QString(),
                            QStringLiteral("deep")));
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("a\\b"), QStringLiteral("X"),
                            QStringLiteral("two")));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A\\B"), QStringLiteral("x")),
              QStringLiteral("two"));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A\\B\\C"), QString()),
              QStringLiteral("deep"));
    ASSERT_TRUE(s.deleteKey(HKEY_CURRENT_USER, QStringLiteral("A\\B")));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A\\B"), QStringLiteral("x")), kNotFound);
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A\\B\\C"), QString()), kNotFound);
    ASSERT_TRUE(s.deleteKey(HKEY_CURRENT_USER, QStringLiteral("A\\B"))); // already gone
}

// A line ending in a backslash continues a hex list; a key or value line after it starts
// afresh, so a dangling backslash (a hand edit) neither hides the keys that follow nor what
// setString appends (found by fuzzing).
TEST_F(SettingsStoreTest, DanglingContinuationSwallowsNoKeyOrValue) {
    user(QStringLiteral("[HKEY_CURRENT_USER\\A]\n"
                        "\"Bytes\"=hex:01,02,\\\n"
                        "\"Next\"=\"kept\"\n"
                        "\"Broken\"=hex:03,\\\n"
                        "[HKEY_CURRENT_USER\\B]\n"
                        "@=\"b\"\n"
                        "\\\\"));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("Next")),
              QStringLiteral("kept"));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("B"), QString()), QStringLiteral("b"));
    SettingsStore s = store();
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("C"), QStringLiteral("x"),
                            QStringLiteral("set")));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("C"), QStringLiteral("x")),
              QStringLiteral("set"));
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("B"), QStringLiteral("y"),
                            QStringLiteral("also")));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("B"), QStringLiteral("y")),
              QStringLiteral("also"));
}

// A key written twice in the user's file: the later value wins when read, so setting the
// value must not leave the later one behind.
TEST_F(SettingsStoreTest, SetStringOverridesTheValueInARepeatedKey) {
    user(QStringLiteral("[HKEY_CURRENT_USER\\A]\n"
                        "\"x\"=\"first\"\n"
                        "\n"
                        "[HKEY_CURRENT_USER\\a]\n"
                        "\"X\"=\"second\"\n"
                        "\"y\"=\"kept\"\n"));
    ASSERT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("x")),
              QStringLiteral("second"));
    ASSERT_TRUE(store().setString(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("x"),
                                  QStringLiteral("new")));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("x")),
              QStringLiteral("new"));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("y")),
              QStringLiteral("kept"));
}

TEST(SettingsStoreBuildTree, DefaultsNameTheDataFolder) {
    const SettingsStore s(QString(), zerva::test::dataDir() + QStringLiteral("/registry.reg"));
    const QString path = RegReadString(s, HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("Path"));
    EXPECT_EQ(QDir(path).canonicalPath(), QDir(zerva::test::dataDir()).canonicalPath());
    EXPECT_EQ(RegReadString(s, HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("ACP")),
              QStringLiteral("1256"));
    EXPECT_EQ(RegReadString(s, HKEY_CURRENT_USER, kPreloadKey + QStringLiteral("\\2"), QString()),
              QStringLiteral("00000401"));
    EXPECT_TRUE(QFileInfo::exists(
        RegReadString(s, HKEY_LOCAL_MACHINE, kProductKey, QStringLiteral("help"))));
}

} // namespace
