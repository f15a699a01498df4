// Code page 1256 at the boundary: both directions and the rule for characters without a byte.
#include "common/codepage.h"

#include <gtest/gtest.h>

using namespace zerva::common;

TEST(CodePage, BytesAndCharactersRoundTrip) {
    // Every byte has a character, and that character maps back to the same byte.
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        const QChar c = cp1256Char(byte);
        ASSERT_NE(c.unicode(), 0xFFFD) << b;
        const auto back = cp1256Byte(c.unicode());
        ASSERT_TRUE(back.has_value()) << b;
        EXPECT_EQ(*back, byte) << b;
    }
    // A few Persian letters at their well-known places.
    EXPECT_EQ(cp1256Char(0xC7), QChar(0x0627)); // alef
    EXPECT_EQ(cp1256Char(0x81), QChar(0x067E)); // peh
    EXPECT_EQ(cp1256Char(0x98), QChar(0x06A9)); // keheh
    EXPECT_EQ(cp1256Char(0xED), QChar(0x064A)); // Arabic yeh
    EXPECT_EQ(cp1256Char(0x9D), QChar(0x200C)); // zero-width non-joiner
}

TEST(CodePage, CharacterWithoutAByteBecomesQuestionMarkAndIsCounted) {
    const QString text = QStringLiteral("a") + QChar(0x067E) + QChar(0x06CC) + QChar(0x4E2D) +
                         QString::fromUcs4(U"\U0001F600");
    qsizetype unmapped = -1;
    const QByteArray bytes = toCp1256(text, &unmapped);
    EXPECT_EQ(bytes, QByteArray("a\x81???"));
    EXPECT_EQ(unmapped, 3); // Farsi yeh, a CJK character and one character beyond 16 bits
    EXPECT_EQ(fromCp1256(QByteArray("\xC7\xE1")), QString{QChar(0x0627)} + QChar(0x0644));
}
