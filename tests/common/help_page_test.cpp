// The help page as the suite's help window lays it out: every path, file name, extension and
// other Latin name with a slash or a dot reads left to right inside the right-to-left text.
#include "tests/support/test_paths.h"

#include <QAbstractTextDocumentLayout>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

// True when the characters of block's text from start, length long, stand left to right on
// screen: the cursor positions between them grow from left to right.
bool readsLeftToRight(const QTextBlock& block, qsizetype start, qsizetype length) {
    const QTextLayout* layout = block.layout();
    qreal previous = -1;
    for (qsizetype pos = start + 1; pos < start + length; ++pos) {
        const QTextLine line = layout->lineForTextPosition(static_cast<int>(pos));
        const qreal x = line.cursorToX(static_cast<int>(pos));
        if (pos > start + 1 && x <= previous) {
            return false;
        }
        previous = x;
    }
    return true;
}

TEST(HelpPage, PathsAndFileNamesReadLeftToRight) {
    const QByteArray html =
        zerva::test::readFile(zerva::test::sourceDir() + QStringLiteral("/data/help/zerva.html"));
    ASSERT_FALSE(html.isEmpty());
    QTextDocument doc;
    QTextOption option = doc.defaultTextOption();
    option.setTextDirection(Qt::RightToLeft);
    doc.setDefaultTextOption(option);
    doc.setHtml(QString::fromUtf8(html));
    doc.setTextWidth(100000); // one line per paragraph
    doc.documentLayout()->documentSize();

    // Paths ("~/.config/Zerva/registry.reg"), extensions (".kbd"), file names ("KBDA1.KBD"),
    // MIME types ("text/rtf"), and the layout's name on the desktop.
    const QRegularExpression pathLike(
        QStringLiteral("(?:~/)?\\.?[A-Za-z0-9_+-]+(?:[./][A-Za-z0-9_+-]+)*/?"));
    const QStringList names = {QStringLiteral("Persian (Zerva 2001)")};
    QStringList seen;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        for (auto it = pathLike.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString token = m.captured();
            if (!token.contains(QLatin1Char('/')) && !token.contains(QLatin1Char('.'))) {
                continue;
            }
            seen << token;
            EXPECT_TRUE(readsLeftToRight(block, m.capturedStart(), m.capturedLength()))
                << token.toStdString();
        }
        for (const QString& name : names) {
            for (qsizetype at = text.indexOf(name); at >= 0; at = text.indexOf(name, at + 1)) {
                seen << name;
                EXPECT_TRUE(readsLeftToRight(block, at, name.size())) << name.toStdString();
            }
        }
    }
    for (const char* expected : {"~/.config/Zerva/registry.reg", ".kbd", "KBDA1.KBD", ".txt",
                                 "~/.config/xkb/symbols/zerva", "ZERVACNV.INI", "text/rtf"}) {
        EXPECT_TRUE(seen.contains(QString::fromLatin1(expected))) << expected;
    }
}

} // namespace
