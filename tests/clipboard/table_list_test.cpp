// The list of two-way tables read from ZERVACNV.INI, and its messages.
#include "clipboard/table_list.h"
#include "common/profile_file.h"

#include "tests/support/fake_messenger.h"
#include "tests/support/test_paths.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::clipboard;

namespace {

zerva::common::TableList listOf(const QByteArray& ini) {
    return zerva::common::readTableList(zerva::common::ProfileFile::parse(ini));
}

struct ListCase {
    const char* name;
    const char* ini;
    TableListStatus status;
    std::vector<std::pair<QString, int>> tables;
};

class TwoWayTables : public ::testing::TestWithParam<ListCase> {};

} // namespace

TEST_P(TwoWayTables, Listed) {
    const ListCase& c = GetParam();
    const TableList list = readTwoWayTables(listOf(c.ini));
    EXPECT_EQ(list.status, c.status);
    std::vector<std::pair<QString, int>> got;
    for (const auto& t : list.tables) {
        got.emplace_back(t.name, t.number);
    }
    EXPECT_EQ(got, c.tables);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TwoWayTables,
    ::testing::Values(
        ListCase{"OnlyTwoWayTablesWithTheirNumbers",
                 "[Code pages]\r\ntables=3\r\ntable1=Iran System;1\r\ntable2=One way\r\n"
                 "table3= Mac Farsi ;1\r\n",
                 TableListStatus::Ok,
                 {{QStringLiteral("Iran System"), 1}, {QStringLiteral("Mac Farsi"), 3}}},
        ListCase{"NamesAndKeysWithoutRegardToCaseAndComments",
                 "; list\n[CODE PAGES]\nTABLES = 2\n;table1=x;1\nTable1=A;1\ntable2=B; 1\n",
                 TableListStatus::Ok,
                 {{QStringLiteral("A"), 1}}},
        ListCase{"ValueOneAloneIsTwoWayAndNamedOne",
                 "[Code pages]\ntables=1\ntable1=1\n",
                 TableListStatus::Ok,
                 {{QStringLiteral("1"), 1}}},
        ListCase{"FirstSectionAndFirstKeyWin",
                 "[Code pages]\ntables=1\ntable1=A;1\ntable1=B;1\n[code pages]\ntables=5\n",
                 TableListStatus::Ok,
                 {{QStringLiteral("A"), 1}}},
        ListCase{"NoTablesKey", "[Code pages]\ntable1=A;1\n", TableListStatus::NoTable, {}},
        ListCase{"AllOneWay",
                 "[Code pages]\ntables=2\ntable1=A\ntable2=B;0\n",
                 TableListStatus::NoTable,
                 {}},
        ListCase{"NegativeCount", "[Code pages]\ntables=-2\n", TableListStatus::Broken, {}},
        ListCase{
            "CountBeyondSixteenBits", "[Code pages]\ntables=32768\n", TableListStatus::Broken, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FormatList, MoreThan255TwoWayTablesIsBroken) {
    QByteArray ini = "[Code pages]\ntables=256\n";
    for (int i = 1; i <= 256; ++i) {
        ini += "table" + QByteArray::number(i) + "=T;1\n";
    }
    EXPECT_EQ(readTwoWayTables(listOf(ini)).status, TableListStatus::Broken);
    ini.replace("table256=T;1", "table256=T");
    EXPECT_EQ(readTwoWayTables(listOf(ini)).tables.size(), 255u);
}

TEST(FormatList, ShowsTheMessageForEachProblem) {
    QTemporaryDir dir;
    zerva::test::FakeMessenger messenger;
    EXPECT_FALSE(loadFormatList(dir.path(), messenger)); // no list file at all
    ASSERT_TRUE(zerva::test::writeFile(dir.filePath(QStringLiteral("ZervaCnv.ini")),
                                       "[Code pages]\r\ntables=70000\r\n"));
    EXPECT_FALSE(loadFormatList(dir.path(), messenger));
    ASSERT_TRUE(zerva::test::writeFile(dir.filePath(QStringLiteral("ZervaCnv.ini")),
                                       "[Code pages]\r\ntables=1\r\ntable1=A;1\r\n"));
    const auto tables = loadFormatList(dir.path(), messenger);
    ASSERT_TRUE(tables);
    EXPECT_EQ(tables->size(), 1u);

    ASSERT_EQ(messenger.boxes().size(), 2u);
    EXPECT_EQ(messenger.boxes()[0].prompt,
              QStringLiteral("هيچ جدول تبديلي در پروندهي ZervaCnv.ini پيدا نشد."));
    EXPECT_EQ(messenger.boxes()[1].prompt, QStringLiteral("خطا در پروندهي ZervaCnv.ini."));
    for (const auto& box : messenger.boxes()) {
        EXPECT_EQ(box.title, QStringLiteral("اشكال!"));
        EXPECT_EQ(box.button, zerva::common::kOkOnly);
    }
}
