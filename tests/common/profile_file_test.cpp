// The profile (INI) file reader shared by the converters, and finding data files without
// regard to case.
#include "common/codepage.h"
#include "common/profile_file.h"
#include "tests/support/test_paths.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using zerva::common::findFileNoCase;
using zerva::common::ProfileFile;

namespace {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}

TEST(ProfileFile, WindowsProfileRules) {
    const QByteArray text = "; a comment line\n"
                            "[Code Pages]\r\n"
                            "  Tables = 3  \r\n"
                            ";table1=commented out\n"
                            "TABLE1=first;1\r"
                            "table2=\"quoted ; value\"\n"
                            "table2=a later duplicate\n"
                            "neg=-12abc\n"
                            "huge=99999999999999999999999\n"
                            "long=" +
                            QByteArray(300, 'x') +
                            "\n"
                            "[other]\n"
                            "tables=9\n"
                            "[code pages]\n"
                            "table3=a second section of the same name is not read\n";
    const ProfileFile ini = ProfileFile::parse(text);
    const QString s = QStringLiteral("code pages");
    EXPECT_EQ(ini.integer(s, QStringLiteral("TABLES"), 0), 3);
    EXPECT_EQ(ini.string(s, QStringLiteral("table1")), QStringLiteral("first;1"));
    EXPECT_EQ(ini.string(s, QStringLiteral("table2")), QStringLiteral("quoted ; value"));
    EXPECT_EQ(ini.string(s, QStringLiteral("table3"), QStringLiteral("none")),
              QStringLiteral("none"));
    EXPECT_EQ(ini.integer(s, QStringLiteral("neg"), 0), -12);
    EXPECT_GT(ini.integer(s, QStringLiteral("huge"), 0), 32767);
    EXPECT_EQ(ini.integer(s, QStringLiteral("missing"), 7), 7);
    EXPECT_EQ(ini.string(s, QStringLiteral("long")).size(), 255);
    EXPECT_EQ(ini.integer(QStringLiteral("OTHER"), QStringLiteral("tables"), 0), 9);
}

TEST(ProfileFile, ReadsCodePage1256AndUtf8Names) {
    const QString name = zerva::common::fromCp1256(bytes({0xC8, 0xC7, 0xE4, 0xC8}));
    const ProfileFile legacy = ProfileFile::parse("[s]\nk=" + bytes({0xC8, 0xC7, 0xE4, 0xC8}));
    const ProfileFile utf8 = ProfileFile::parse("[s]\nk=" + name.toUtf8());
    EXPECT_EQ(legacy.string(QStringLiteral("s"), QStringLiteral("k")), name);
    EXPECT_EQ(utf8.string(QStringLiteral("s"), QStringLiteral("k")), name);
}

TEST(FindFileNoCase, ExactNameFirstThenAnyCase) {
    QTemporaryDir dir;
    ASSERT_TRUE(zerva::test::writeFile(dir.filePath(QStringLiteral("ZervaCnv.ini")), "x"));
    EXPECT_EQ(findFileNoCase(dir.path(), QStringLiteral("ZERVACNV.INI")),
              dir.filePath(QStringLiteral("ZervaCnv.ini")));
    ASSERT_TRUE(zerva::test::writeFile(dir.filePath(QStringLiteral("ZERVACNV.INI")), "y"));
    EXPECT_EQ(findFileNoCase(dir.path(), QStringLiteral("ZERVACNV.INI")),
              dir.filePath(QStringLiteral("ZERVACNV.INI")));
    EXPECT_TRUE(findFileNoCase(dir.path(), QStringLiteral("TABLE1.INI")).isEmpty());
    // Folders do not count.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("table2.ini")));
    EXPECT_TRUE(findFileNoCase(dir.path(), QStringLiteral("TABLE2.INI")).isEmpty());
}

} // namespace
