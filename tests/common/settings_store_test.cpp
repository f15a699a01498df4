// The settings store: REGEDIT4 parsing, the user file over the defaults, RegReadString's rules,
// files in their own encodings and line ends, concurrent writers, a full disk, the parse cache.
#include "common/settings_store.h"
#include "tests/support/full_disk.h"
#include "tests/support/reg_bytes.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::common;
using zerva::test::readFile;
using zerva::test::RegBytes;
using zerva::test::regBytes;
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

const QString kCodePageKey = QStringLiteral("System\\CurrentControlSet\\Control\\Nls\\CodePage");

struct ValueCase {
    const char* name;
    RegRoot root;
    QString key;
    QString value;
    QString expected;
};

class RegReadStringValues : public SettingsStoreTest,
                            public ::testing::WithParamInterface<ValueCase> {};

TEST_P(RegReadStringValues, TypesAndMissingEntries) {
    const ValueCase& c = GetParam();
    defaults(
        QStringLiteral("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Nls\\CodePage]\n"
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
    EXPECT_EQ(read(c.root, c.key, c.value), c.expected);
}

const ValueCase kValueCases[] = {
    {"String", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("ACP"), QStringLiteral("1256")},
    {"EmptyString", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("Empty"), QString()},
    {"Escapes", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("Quoted"),
     QStringLiteral("C:\\Zerva \"2001\"")},
    {"RawBytes", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("Bytes"),
     QStringLiteral("000F10")},
    {"ContinuedHex", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("Long"),
     QStringLiteral("01ABFF")},
    {"WholeNumber", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("Number"),
     QStringLiteral("123456")},
    {"SmallNumber", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("Small"), QStringLiteral("7")},
    {"ExpandableStringIsNotExpanded", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("Expand"),
     QStringLiteral("%TEMP%")},
    {"DefaultValue", HKEY_LOCAL_MACHINE, kCodePageKey, QString(), QStringLiteral("the default")},
    {"CaseInsensitiveNames", HKEY_LOCAL_MACHINE,
     QStringLiteral("system\\currentcontrolset\\CONTROL\\nls\\codepage"), QStringLiteral("acp"),
     QStringLiteral("1256")},
    {"LiteralNotFound", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("Literal"), kNotFound},
    {"MissingValue", HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("OEMCP"), kNotFound},
    {"MissingKey", HKEY_LOCAL_MACHINE, QStringLiteral("Software\\Nothing"), QStringLiteral("Path"),
     kNotFound},
    {"OtherRoot", HKEY_CURRENT_USER, kCodePageKey, QStringLiteral("ACP"), kNotFound},
};
INSTANTIATE_TEST_SUITE_P(Cases, RegReadStringValues, ::testing::ValuesIn(kValueCases),
                         zerva::test::RowName());

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

// Persian text that code page 1256 holds, in the suite's spelling ("Persian keyboard").
const QString kPersian = QStringLiteral("\u0635\u0641\u062D\u0647 \u0643\u0644\u064A\u062F");
const QString kPersian2 = QStringLiteral("\u0632\u0631\u0648\u0627 \u06AF\u0686\u067E\u0698");

const QString kSubstitutes = QStringLiteral("Keyboard Layout\\Substitutes\\00000401");

struct FormCase {
    const char* name;
    RegBytes encoding;
    const char* lineEnd;
    bool version5;
};

void PrintTo(const FormCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingsFileForms : public SettingsStoreTest,
                          public ::testing::WithParamInterface<FormCase> {};

// A file is read in its encoding and line ends, and a change rewrites only what it changes:
// the rest comes back byte for byte, continued lines and comments included.
TEST_P(SettingsFileForms, ReadAndRewrittenInTheirOwnForm) {
    const FormCase& c = GetParam();
    const QString lineEnd = QString::fromLatin1(c.lineEnd);
    const QString header = c.version5 ? QStringLiteral("Windows Registry Editor Version 5.00")
                                      : QStringLiteral("REGEDIT4");
    const QString persianValue = QStringLiteral("\"%1\"=\"%1\"").arg(kPersian);
    const QStringList before{header,
                             QString(),
                             QStringLiteral("; ") + kPersian,
                             QStringLiteral("[HKEY_CURRENT_USER\\Software\\Zerva]"),
                             persianValue,
                             QStringLiteral("\"Long\"=hex:01,02,03,\\"),
                             QStringLiteral("  04,05"),
                             QString(),
                             QStringLiteral("[HKEY_CURRENT_USER\\Keyboard Layout\\Substitutes\\"
                                            "00000401]"),
                             QStringLiteral("@=\"00000429\""),
                             QString(),
                             QStringLiteral("[HKEY_CURRENT_USER\\Other]"),
                             QStringLiteral("\"A\"=\"1\"")};
    ASSERT_TRUE(writeFile(m_user, regBytes(before, c.encoding, lineEnd)));
    SettingsStore s = store();
    EXPECT_EQ(s.userFileState(), SettingsFileState::Understood);
    const QString zerva = QStringLiteral("Software\\Zerva");
    EXPECT_EQ(read(HKEY_CURRENT_USER, zerva, kPersian), kPersian);
    EXPECT_EQ(read(HKEY_CURRENT_USER, zerva, QStringLiteral("Long")), QStringLiteral("0102030405"));
    EXPECT_EQ(read(HKEY_CURRENT_USER, kSubstitutes, QString()), QStringLiteral("00000429"));

    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, zerva, QStringLiteral("New"), kPersian2));
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("Other"), QStringLiteral("a"),
                            QStringLiteral("2")));
    ASSERT_TRUE(s.deleteKey(HKEY_CURRENT_USER, kSubstitutes));

    const QStringList after{header,
                            QString(),
                            QStringLiteral("; ") + kPersian,
                            QStringLiteral("[HKEY_CURRENT_USER\\Software\\Zerva]"),
                            persianValue,
                            QStringLiteral("\"Long\"=hex:01,02,03,\\"),
                            QStringLiteral("  04,05"),
                            QStringLiteral("\"New\"=\"%1\"").arg(kPersian2),
                            QString(),
                            QStringLiteral("[HKEY_CURRENT_USER\\Other]"),
                            QStringLiteral("\"a\"=\"2\"")};
    EXPECT_EQ(readFile(m_user), regBytes(after, c.encoding, lineEnd));
    EXPECT_EQ(read(HKEY_CURRENT_USER, zerva, QStringLiteral("new")), kPersian2);
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("Other"), QStringLiteral("A")),
              QStringLiteral("2"));
    EXPECT_EQ(read(HKEY_CURRENT_USER, kSubstitutes, QString()), kNotFound);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, SettingsFileForms,
    ::testing::Values(FormCase{"Utf8Lf", RegBytes::Utf8, "\n", false},
                      FormCase{"Utf8Cr", RegBytes::Utf8, "\r", false},
                      FormCase{"Utf8WithBomCrLf", RegBytes::Utf8WithBom, "\r\n", false},
                      FormCase{"Cp1256CrLf", RegBytes::Cp1256, "\r\n", false},
                      FormCase{"Cp1256Cr", RegBytes::Cp1256, "\r", false},
                      FormCase{"Utf16LeVersion5CrLf", RegBytes::Utf16Le, "\r\n", true},
                      FormCase{"Utf16LeVersion5Lf", RegBytes::Utf16Le, "\n", true}),
    [](const ::testing::TestParamInfo<FormCase>& info) { return info.param.name; });

TEST_F(SettingsStoreTest, Cp1256File_KeepsEveryByteAndRefusesTextItLacks) {
    QByteArray comment = "; ";
    for (int b = 1; b < 256; ++b) {
        if (b != '\r' && b != '\n') {
            comment += static_cast<char>(b);
        }
    }
    const QByteArray head = "REGEDIT4\r\n\r\n" + comment + "\r\n[HKEY_CURRENT_USER\\A]\r\n";
    ASSERT_TRUE(writeFile(m_user, head + "\"v\"=\"1\"\r\n"));
    SettingsStore s = store();
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("v"),
                            QStringLiteral("2")));
    EXPECT_EQ(readFile(m_user), head + "\"v\"=\"2\"\r\n");
    // A character the code page lacks cannot be written into this file.
    EXPECT_FALSE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("w"),
                             QStringLiteral("\u4E2D")));
    EXPECT_EQ(readFile(m_user), head + "\"v\"=\"2\"\r\n");
}

TEST_F(SettingsStoreTest, ContinuedLines_ReadAndRewrittenAlike) {
    const QByteArray tail = "; a comment ending in a backslash \\\n"
                            "\"After\"=\"x\"\n"
                            "[HKEY_CURRENT_USER\\B]\n"
                            "\"Tail\"=hex:0a,\\\n"
                            "  [HKEY_CURRENT_USER\\Fake]\n";
    ASSERT_TRUE(writeFile(m_user, "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n"
                                  "\"Long\"=hex:01,02,\\\n"
                                  "  03,04,\\\n"
                                  "  05\n" +
                                      tail));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("Long")),
              QStringLiteral("0102030405"));
    // A comment does not go on in the next line, whatever it ends with.
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("After")),
              QStringLiteral("x"));
    // The continued line is part of the value before it, not a section of its own.
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("B"), QStringLiteral("Tail")), kNotFound);

    SettingsStore s = store();
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("Long"),
                            QStringLiteral("short")));
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("Fake"), QStringLiteral("v"),
                            QStringLiteral("1")));
    EXPECT_EQ(readFile(m_user), "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"Long\"=\"short\"\n" + tail +
                                    "\n[HKEY_CURRENT_USER\\Fake]\n\"v\"=\"1\"\n");
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("Long")),
              QStringLiteral("short"));
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("Fake"), QStringLiteral("v")),
              QStringLiteral("1"));
}

struct BrokenCase {
    const char* name;
    QByteArray bytes;
};

void PrintTo(const BrokenCase& c, std::ostream* os) {
    *os << c.name;
}

class UnreadableSettingsFile : public SettingsStoreTest,
                               public ::testing::WithParamInterface<BrokenCase> {};

// A file the store cannot understand is read as empty and never written.
TEST_P(UnreadableSettingsFile, IsNeverOverwritten) {
    const QByteArray bytes = GetParam().bytes;
    defaults(QStringLiteral("[HKEY_CURRENT_USER\\A]\n\"v\"=\"default\"\n"));
    ASSERT_TRUE(writeFile(m_user, bytes));
    SettingsStore s = store();
    EXPECT_EQ(s.userFileState(), SettingsFileState::NotUnderstood);
    EXPECT_EQ(read(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("v")),
              QStringLiteral("default"));
    EXPECT_FALSE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("v"),
                             QStringLiteral("new")));
    EXPECT_FALSE(s.deleteKey(HKEY_CURRENT_USER, QStringLiteral("A")));
    EXPECT_EQ(readFile(m_user), bytes);
    EXPECT_EQ(zerva::test::folderEntries(QFileInfo(m_user).absolutePath()),
              QStringList{QStringLiteral("registry.reg")});
}

QByteArray withNul() {
    static const char kText[] = "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\0\"\n";
    return QByteArray(kText, sizeof kText - 1);
}

QByteArray allBytes() {
    QByteArray out;
    for (int b = 0; b < 256; ++b) {
        out += static_cast<char>(b);
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableSettingsFile,
    ::testing::Values(BrokenCase{"Binary", allBytes()},
                      BrokenCase{"UnknownHeader",
                                 "REGEDIT5\n\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n"},
                      BrokenCase{"NoHeader", "[HKEY_CURRENT_USER\\A]\n\"v\"=\"1\"\n"},
                      BrokenCase{"HeaderAfterText", "; exported\nREGEDIT4\n"},
                      BrokenCase{"Utf16WithoutMark",
                                 regBytes({QStringLiteral("REGEDIT4")}, RegBytes::Utf16Le).mid(2)},
                      BrokenCase{"Utf16OddLength",
                                 regBytes({QStringLiteral("Windows Registry Editor Version 5.00")},
                                          RegBytes::Utf16Le) +
                                     "x"},
                      BrokenCase{"NulInText", withNul()}),
    [](const ::testing::TestParamInfo<BrokenCase>& info) { return info.param.name; });

TEST_F(SettingsStoreTest, FolderInPlaceOfTheFileIsNeverReplaced) {
    ASSERT_TRUE(QDir().mkpath(m_user));
    SettingsStore s = store();
    EXPECT_EQ(s.userFileState(), SettingsFileState::NotUnderstood);
    EXPECT_FALSE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("v"),
                             QStringLiteral("new")));
    EXPECT_TRUE(QFileInfo(m_user).isDir());
}

TEST_F(SettingsStoreTest, SetString_NewFileGetsTheHeaderAndLineBreaksAreRefused) {
    SettingsStore s = store();
    EXPECT_EQ(s.userFileState(), SettingsFileState::Absent);
    ASSERT_TRUE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QString(), kPersian));
    const QByteArray written =
        QStringLiteral("REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n@=\"%1\"\n").arg(kPersian).toUtf8();
    EXPECT_EQ(readFile(m_user), written);
    // Text that would break the line, or the file, is refused.
    EXPECT_FALSE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QString(),
                             QStringLiteral("x\n[HKEY_CURRENT_USER\\B]")));
    EXPECT_FALSE(
        s.setString(HKEY_CURRENT_USER, QStringLiteral("A\rB"), QString(), QStringLiteral("x")));
    EXPECT_FALSE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QStringLiteral("n"),
                             QString(QChar(u'\0'))));
    EXPECT_EQ(readFile(m_user), written);
}

// Runs the second writer; it starts its changes when the file "go" exists.
class SettingsStoreRace : public SettingsStoreTest {
protected:
    void start(QProcess& p, const char* mode, const char* tag, int count) {
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.start(QStringLiteral(ZERVA_SETTINGS_WRITER),
                {m_user, m_defaults, go(), QString::fromLatin1(mode), QString::fromLatin1(tag),
                 QString::number(count)});
        ASSERT_TRUE(p.waitForStarted());
    }
    QString go() const { return m_dir.filePath(QStringLiteral("go")); }
    void expectAllDone(QProcess& p) {
        ASSERT_TRUE(p.waitForFinished(300000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0) << "a writer reported a change as not done";
    }
    int valuesKept(const char* tag, int count) const {
        int kept = 0;
        for (int i = 0; i < count; ++i) {
            const QString n = QString::number(i);
            kept += read(HKEY_CURRENT_USER, QStringLiteral("Race\\") + QString::fromLatin1(tag),
                         QStringLiteral("v") + n) == n;
        }
        return kept;
    }
};

TEST_F(SettingsStoreRace, TwoProgramsSettingValuesKeepAll) {
    QProcess a;
    QProcess b;
    start(a, "set", "A", 200);
    start(b, "set", "B", 200);
    ASSERT_TRUE(writeFile(go(), ""));
    expectAllDone(a);
    expectAllDone(b);
    EXPECT_EQ(valuesKept("A", 200), 200);
    EXPECT_EQ(valuesKept("B", 200), 200);
    EXPECT_EQ(zerva::test::folderEntries(QFileInfo(m_user).absolutePath()),
              QStringList{QStringLiteral("registry.reg")})
        << "no lock or temporary file left behind";
}

TEST_F(SettingsStoreRace, DeleteKeyRacingSetStringLosesNothing) {
    QProcess a;
    QProcess b;
    start(a, "set", "A", 200);
    start(b, "churn", "B", 100);
    ASSERT_TRUE(writeFile(go(), ""));
    expectAllDone(a);
    expectAllDone(b);
    EXPECT_EQ(valuesKept("A", 200), 200);
    EXPECT_EQ(valuesKept("B", 100), 100);
    EXPECT_FALSE(readFile(m_user).contains("Churn")) << "every churned key was deleted";
}

TEST(SettingsStoreFullDisk, KeepsTheOldFileAndReportsFailure) {
    zerva::test::FullDisk disk;
    ASSERT_TRUE(disk.ok());
    QTemporaryDir dir;
    const QString defaults = dir.filePath(QStringLiteral("defaults.reg"));
    ASSERT_TRUE(writeFile(defaults, "REGEDIT4\n\n[HKEY_CURRENT_USER\\D]\n@=\"d\"\n"));
    const QString user = disk.file(QStringLiteral("registry.reg"));
    // Larger than what is freed below, so that only the lock fits.
    QByteArray old = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Keyboard Layout\\Substitutes\\00000401]"
                     "\r\n@=\"00000429\"\r\n\r\n";
    for (int i = 0; i < 400; ++i) {
        old += "[HKEY_CURRENT_USER\\Software\\K" + QByteArray::number(i) + "]\r\n@=\"x\"\r\n";
    }
    ASSERT_GT(old.size(), 8192);
    ASSERT_TRUE(writeFile(user, old));
    const QString ballast = disk.file(QStringLiteral("ballast"));
    ASSERT_TRUE(writeFile(ballast, QByteArray(4096, 'b')));
    SettingsStore s(user, defaults);

    disk.arm();
    EXPECT_FALSE(s.deleteKey(HKEY_CURRENT_USER, kSubstitutes));
    EXPECT_FALSE(s.deleteKey(HKEY_CURRENT_USER, QStringLiteral("D")));
    EXPECT_FALSE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QString(), kPersian));
    if (disk.isTmpfs()) {
        // Room for the lock file but not for the new settings file: the write itself fails.
        ASSERT_TRUE(QFile::remove(ballast));
        EXPECT_FALSE(s.deleteKey(HKEY_CURRENT_USER, kSubstitutes));
        EXPECT_FALSE(s.setString(HKEY_CURRENT_USER, QStringLiteral("A"), QString(), kPersian));
    } else {
        QFile::remove(ballast);
    }
    disk.disarm();
    EXPECT_EQ(zerva::test::fileBytes(user), old);
    EXPECT_EQ(zerva::test::folderEntries(disk.path()), QStringList{QStringLiteral("registry.reg")});
    EXPECT_EQ(RegReadString(s, HKEY_CURRENT_USER, kSubstitutes, QString()),
              QStringLiteral("00000429"));
    // With room again the same change is made.
    EXPECT_TRUE(s.deleteKey(HKEY_CURRENT_USER, kSubstitutes));
    EXPECT_EQ(RegReadString(s, HKEY_CURRENT_USER, kSubstitutes, QString()), kNotFound);
}

// Sets a file's modification time.
void setModified(const QString& path, const QDateTime& when) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

// Rewrites a file in place (same inode), as an editor may.
void overwriteInPlace(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

TEST_F(SettingsStoreTest, Cache_ChangedFileIsReadAgain) {
    const QDateTime stamp = QDateTime::currentDateTimeUtc().addDays(-2);
    const QString key = QStringLiteral("A");
    const QString v = QStringLiteral("v");
    user(QStringLiteral("[HKEY_CURRENT_USER\\A]\n\"v\"=\"one\"\n"));
    setModified(m_user, stamp);
    EXPECT_EQ(read(HKEY_CURRENT_USER, key, v), QStringLiteral("one"));

    // The same size, a new modification time.
    overwriteInPlace(m_user, "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"two\"\n");
    setModified(m_user, stamp.addSecs(1));
    EXPECT_EQ(read(HKEY_CURRENT_USER, key, v), QStringLiteral("two"));

    // Another size, the modification time put back.
    overwriteInPlace(m_user, "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"three\"\n");
    setModified(m_user, stamp.addSecs(1));
    EXPECT_EQ(read(HKEY_CURRENT_USER, key, v), QStringLiteral("three"));

    // Replaced by another file of the same size and time.
    const QString other = m_dir.filePath(QStringLiteral("user/other.reg"));
    ASSERT_TRUE(writeFile(other, "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"v\"=\"seven\"\n"));
    setModified(other, stamp.addSecs(1));
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(m_user).constData()),
              0);
    EXPECT_EQ(read(HKEY_CURRENT_USER, key, v), QStringLiteral("seven"));

    // Removed.
    ASSERT_TRUE(QFile::remove(m_user));
    EXPECT_EQ(read(HKEY_CURRENT_USER, key, v), kNotFound);
}

} // namespace
