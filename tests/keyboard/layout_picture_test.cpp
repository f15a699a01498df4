// The printable picture: where keys stand on the page (numbers, no screen), what a slot shows,
// and the rendered files; the window's export commands.
#include "keyboard/commands.h"
#include "keyboard/print/export_commands.h"
#include "keyboard/print/layout_picture.h"

#include "keyboard_test_util.h"

#include "tests/support/fake_messenger.h"
#include "tests/support/test_paths.h"

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace zerva::keyboard;

namespace {

void readStandard(LayoutModel& model) {
    EXPECT_TRUE(model.replaceLayout(decodeLayoutFile(standardLayoutImage()).planes));
    model.setSourceLabel(QStringLiteral("/home/u/layouts/mine.kbd"));
}

// Pixels clearly darker than the paper and the grey legends in the middle of a key, where its
// two characters stand.
// Save dialogs answered from a list of paths; cancelled once it runs out.
class ScriptedDialogs : public zerva::common::FileDialogs {
public:
    std::optional<QString> openFile(const zerva::common::FileDialogArgs&) override {
        return std::nullopt;
    }
    std::optional<QString> saveFile(const zerva::common::FileDialogArgs& args) override {
        asked.push_back(args);
        if (answers.isEmpty()) {
            return std::nullopt;
        }
        return answers.takeFirst();
    }
    QStringList answers;
    std::vector<zerva::common::FileDialogArgs> asked;
};

int inkInKey(const QImage& image, const QRectF& key) {
    const QRect middle = key.adjusted(key.width() * 0.25, key.height() * 0.1, -key.width() * 0.1,
                                      -key.height() * 0.1)
                             .toRect();
    int ink = 0;
    for (int y = middle.top(); y <= middle.bottom(); ++y) {
        for (int x = middle.left(); x <= middle.right(); ++x) {
            ink += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
        }
    }
    return ink;
}

} // namespace

TEST(LayoutPicture, PageLayoutOfAnA4LandscapePage) {
    // Millimetres: margins of 5 % of the short side, a title band of 16 % of the height, the
    // keyboard as wide as the page allows and centred with its title.
    const PictureGeometry g = pictureGeometry(QSizeF(297, 210));
    const double margin = 10.5;
    EXPECT_NEAR(g.scale, 276.0 / 8670, 1e-9);
    EXPECT_NEAR(g.keyboard.left(), margin, 1e-9);
    EXPECT_NEAR(g.keyboard.right(), 297 - margin, 1e-9);
    EXPECT_NEAR(g.keyboard.height(), 2385 * g.scale, 1e-9);
    const double above = margin + (155.4 - 2385 * g.scale) / 2;
    EXPECT_NEAR(g.title.top(), above, 1e-9);
    EXPECT_NEAR(g.keyboard.top(), above + 33.6, 1e-9);
    EXPECT_NEAR(g.date.bottom(), above + 33.6 * 0.85, 1e-9);
    EXPECT_LE(g.date.bottom(), g.keyboard.top());
    // The backquote key in the top left corner, the space bar at the bottom, twip for twip.
    EXPECT_NEAR(g.keys[0].left(), g.keyboard.left(), 1e-9);
    EXPECT_NEAR(g.keys[0].top(), g.keyboard.top(), 1e-9);
    EXPECT_NEAR(g.keys[0].width() / g.keys[0].height(), 585.0 / 465, 1e-9);
    EXPECT_NEAR(g.keys[kSpaceBarKey].bottom(), g.keyboard.bottom(), 1e-9);
    EXPECT_NEAR(g.keys[kSpaceBarKey].left() - g.keyboard.left(), (2760 - 240) * g.scale, 1e-9);
    EXPECT_NEAR(g.fixedKeys[3].right(), g.keyboard.right(), 1e-9); // Enter
    for (const QRectF& k : g.keys) {
        EXPECT_TRUE(g.keyboard.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(k));
    }
}

TEST(LayoutPicture, APortraitOrVeryWidePageKeepsTheKeysInProportion) {
    const PictureGeometry tall = pictureGeometry(QSizeF(210, 297));
    EXPECT_NEAR(tall.keyboard.width(), 210 - 21, 1e-9); // width bound
    const PictureGeometry wide = pictureGeometry(QSizeF(2000, 100));
    EXPECT_NEAR(wide.keyboard.height(), 100 - 10 - 16, 1e-9); // height bound
    EXPECT_NEAR(wide.keyboard.center().x(), 1000, 1e-9);
    EXPECT_NEAR(wide.keys[5].width() / wide.keys[5].height(), 585.0 / 465, 1e-9);
}

TEST(LayoutPicture, WhatASlotShowsOnPaper) {
    LayoutModel model;
    readStandard(model);
    EXPECT_EQ(pictureSlotText(model, kShiftPlaneBase + 14), QStringLiteral("\u25CC\u064B"));
    EXPECT_EQ(pictureSlotText(model, kShiftPlaneBase + 0), QStringLiteral("\u25CC\u0651"));
    EXPECT_EQ(pictureSlotText(model, kShiftPlaneBase + 47), QStringLiteral("VS"));
    EXPECT_EQ(pictureSlotText(model, kShiftPlaneBase + 17), QStringLiteral("RTL"));
    EXPECT_EQ(pictureSlotText(model, kSpaceBarKey), QString());
    EXPECT_EQ(pictureSlotText(model, kShiftPlaneBase + 30), QStringLiteral("\u0644\u0627"));
    EXPECT_EQ(pictureSlotText(model, 31), QStringLiteral("\u0627"));
    model.ClearKey(31);
    EXPECT_EQ(pictureSlotText(model, 31), QString());

    const PictureContent c = pictureContent(model, QDate(2026, 3, 21));
    EXPECT_EQ(c.name, QStringLiteral("mine"));
    EXPECT_EQ(c.date, QStringLiteral("2026-03-21"));
    model.setSourceLabel(LayoutModel::standardSourceLabel());
    EXPECT_EQ(pictureContent(model, QDate(2026, 3, 21)).name, LayoutModel::standardSourceLabel());
}

TEST(LayoutPicture, RenderedPngHasItsSizeAndInkOnEveryKeyThatHoldsACharacter) {
    LayoutModel model;
    readStandard(model);
    model.ClearKey(13); // Q empty in both planes
    model.setShiftPlaneShown(true);
    model.ClearKey(13);
    const QByteArray png =
        renderLayoutPicture(PictureFormat::Png, pictureContent(model, QDate(2026, 3, 21)));
    QImage image;
    ASSERT_TRUE(image.loadFromData(png, "PNG"));
    EXPECT_EQ(image.size(), kPicturePngSize);
    const PictureGeometry g = pictureGeometry(QSizeF(kPicturePngSize));
    for (int k = 0; k < kKeyCount; ++k) {
        const int ink = inkInKey(image, g.keys[static_cast<std::size_t>(k)]);
        if (k == 13) {
            EXPECT_EQ(ink, 0) << "the empty key";
        } else {
            EXPECT_GT(ink, 5) << "key " << k;
        }
    }
    // The name above the keyboard.
    EXPECT_GT(inkInKey(image, g.title), 50);
}

TEST(LayoutPicture, PdfAndSvgFiles) {
    LayoutModel model;
    readStandard(model);
    const PictureContent c = pictureContent(model, QDate(2026, 3, 21));
    const QByteArray pdf = renderLayoutPicture(PictureFormat::Pdf, c);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_TRUE(pdf.trimmed().endsWith("%%EOF"));
    EXPECT_EQ(pdf.count("/Type /Page\n") + pdf.count("/Type /Page\r") + pdf.count("/Type /Page>") +
                  pdf.count("/Type /Page "),
              1);
    const QByteArray svg = renderLayoutPicture(PictureFormat::Svg, c);
    EXPECT_TRUE(svg.contains("<svg"));
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 1754 1240\""));
}

TEST(ExportCommands, WriteTheChosenFileAndReportWhatFailedOrWasLeftOut) {
    QTemporaryDir dir;
    LayoutModel model;
    readStandard(model);
    zerva::test::FakeMessenger msg;
    ScriptedDialogs dialogs;
    ExportCommands exporter(model, msg, dialogs);

    const QString klc = dir.filePath(QStringLiteral("mine.klc"));
    dialogs.answers.append(klc);
    EXPECT_TRUE(exporter.exportLayoutFile(ExportFormat::Klc));
    EXPECT_EQ(dialogs.asked.back().defaultExtension, QStringLiteral("klc"));
    EXPECT_EQ(zerva::test::readFile(klc), exportKlc(xkbKeyTexts(model)).bytes);
    EXPECT_FALSE(exporter.exportLayoutFile(ExportFormat::Keylayout)); // no answer: cancelled
    EXPECT_TRUE(msg.prompts().isEmpty());
    dialogs.answers.append(dir.filePath(QStringLiteral("no/such/dir/x.keylayout")));
    EXPECT_FALSE(exporter.exportLayoutFile(ExportFormat::Keylayout));
    ASSERT_EQ(msg.boxes().size(), 1u);
    EXPECT_EQ(msg.boxes()[0].title, zerva::common::errorTitle());
    EXPECT_TRUE(msg.prompts()[0].startsWith(QStringLiteral("خطا در ذخيره")));

    // A combined key of five characters: the ligature holds four, and the user is told.
    msg.clear();
    model.setShiftPlaneShown(true);
    model.ClearKey(1);
    model.SetKey(1, model.AddPaletteEntry(QByteArray("\xC7\xC8\xCA\xCB\xCC")));
    dialogs.answers.append(klc);
    EXPECT_TRUE(exporter.exportLayoutFile(ExportFormat::Klc));
    ASSERT_EQ(msg.boxes().size(), 1u);
    EXPECT_EQ(msg.boxes()[0].title, zerva::common::noticeTitle());
    EXPECT_TRUE(msg.prompts()[0].endsWith(QStringLiteral("1 (Shift)")));
}

TEST(ExportCommands, ThePictureFollowsTheExtensionChosen) {
    QTemporaryDir dir;
    LayoutModel model;
    readStandard(model);
    zerva::test::FakeMessenger msg;
    ScriptedDialogs dialogs;
    ExportCommands exporter(model, msg, dialogs);
    const struct {
        const char* name;
        QByteArray start;
    } files[] = {{"a.pdf", "%PDF-"}, {"a.SVG", "<?xml"}, {"a.png", "\x89PNG"}};
    for (const auto& f : files) {
        const QString path = dir.filePath(QLatin1String(f.name));
        dialogs.answers.append(path);
        EXPECT_TRUE(exporter.exportPicture(QDate(2026, 3, 21))) << f.name;
        EXPECT_TRUE(zerva::test::readFile(path).startsWith(f.start)) << f.name;
    }
    EXPECT_EQ(dialogs.asked.back().filter,
              QStringLiteral("PDF (*.pdf)|*.pdf|SVG (*.svg)|*.svg|PNG (*.png)|*.png"));
    EXPECT_TRUE(msg.prompts().isEmpty());
}
