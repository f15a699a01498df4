// The preview of the clipboard's text: which lines it shows, how it cuts them, and the text a
// press would produce.
#include "clipboard/clipboard_preview.h"
#include "clipboard/clipboard_texts.h"

#include <gtest/gtest.h>

using namespace zerva::clipboard;

namespace {

struct ExcerptCase {
    const char* name;
    QString text;
    QString shown;
};

class PreviewExcerpt : public ::testing::TestWithParam<ExcerptCase> {};

TEST_P(PreviewExcerpt, ShowsTheFirstLinesThatHoldText) {
    EXPECT_EQ(previewExcerpt(GetParam().text), GetParam().shown);
}

const QString kLong = QString(kPreviewLineLength + 5, QLatin1Char('x'));

INSTANTIATE_TEST_SUITE_P(
    Rows, PreviewExcerpt,
    ::testing::Values(
        ExcerptCase{"OneLine", QStringLiteral("سلام"), QStringLiteral("سلام")},
        ExcerptCase{"TwoOfThreeLines", QStringLiteral("a\nb\nc"), QStringLiteral("a\nb")},
        ExcerptCase{"WindowsAndOldMacLineEnds", QStringLiteral("a\r\nb\rc"),
                    QStringLiteral("a\nb")},
        ExcerptCase{"BlankLinesSkipped", QStringLiteral("\n  \n\ta\n\nb"), QStringLiteral(" a\nb")},
        ExcerptCase{"LongLineCut", kLong,
                    QString(kPreviewLineLength, QLatin1Char('x')) + QChar(0x2026)},
        ExcerptCase{"OnlyBlanks", QStringLiteral(" \n\t\n"), QString()},
        ExcerptCase{"Empty", QString(), QString()}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClipboardPreview, ConvertsTheExcerptOrSaysWhatIsMissing) {
    ClipboardTable table = ClipboardTable::identity();
    table.cells['A'].out1Hex = "42"; // A to B
    const ClipboardData text{QStringLiteral("AA\nxA\nA"), std::nullopt};
    EXPECT_EQ(makePreview(text, table),
              (ClipboardPreview{QStringLiteral("AA\nxA"), QStringLiteral("BB\nxB")}));

    // A cut line is cut after conversion too.
    const ClipboardData longLine{QString(kPreviewLineLength + 1, QLatin1Char('A')), std::nullopt};
    EXPECT_EQ(makePreview(longLine, table).after,
              QString(kPreviewLineLength, QLatin1Char('B')) + QChar(0x2026));

    // A table that could not be read: the text, and a word that the table is missing.
    EXPECT_EQ(makePreview(text, std::nullopt),
              (ClipboardPreview{QStringLiteral("AA\nxA"), texts::kPreviewNoTable()}));

    // No plain text: nothing to show either way.
    const ClipboardPreview none{texts::kPreviewNoText(), QString()};
    EXPECT_EQ(makePreview(ClipboardData{}, table), none);
    EXPECT_EQ(makePreview(ClipboardData{std::nullopt, QByteArray("{\\rtf1 A}")}, table), none);
    EXPECT_EQ(makePreview(ClipboardData{QStringLiteral("\n"), std::nullopt}, table), none);
    EXPECT_EQ(makePreview(std::nullopt, table), none);
}

} // namespace
