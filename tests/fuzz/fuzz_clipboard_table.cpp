// The clipboard converter's table loader on any text, both ways: a refusal names its line,
// a table holds only well-formed cells (Unicode texts of characters, one per pair record at
// most), and where the file converter's loader reads the same
// entries (one table section, no conflicting repeats) both tables convert alike.
#include "clipboard/clipboard_table.h"
#include "converter/conversion_table.h"
#include "tests/fuzz/fuzz_support.h"

using namespace zerva;

namespace {

bool isLowerHex(QByteArrayView s) {
    for (const char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

qsizetype lineCount(QByteArrayView text) {
    common::TableFileLines lines(text);
    QByteArrayView line;
    qsizetype n = 0;
    while (lines.next(line)) {
        ++n;
    }
    return n;
}

void checkCells(const clipboard::ClipboardTable& table) {
    for (const clipboard::ByteCells& c : table.cells) {
        ZERVA_FUZZ_CHECK(c.out1Hex.isEmpty() || (c.out1Hex.size() == 2 && isLowerHex(c.out1Hex)));
        ZERVA_FUZZ_CHECK(c.out2Hex.isEmpty() || (c.out2Hex.size() == 2 && isLowerHex(c.out2Hex)));
        ZERVA_FUZZ_CHECK(c.out2Hex.isEmpty() || !c.out1Hex.isEmpty());
        ZERVA_FUZZ_CHECK(c.pairs.size() % 4 == 0 && isLowerHex(c.pairs));
        ZERVA_FUZZ_CHECK(c.pairTexts.isEmpty() || c.pairTexts.size() == c.pairs.size() / 4);
        QList<common::UnicodeText> texts = c.pairTexts;
        texts.append(c.unicode);
        for (const common::UnicodeText& t : texts) {
            ZERVA_FUZZ_CHECK(!t.given() || t.count <= 2);
            for (int i = 0; t.given() && i < t.count; ++i) {
                ZERVA_FUZZ_CHECK(t.points[i] <= 0x10FFFF &&
                                 !(t.points[i] >= 0xD800 && t.points[i] <= 0xDFFF));
            }
        }
        // One record per second byte: a repeated pair is either the same or refused.
        for (qsizetype i = 0; i < c.pairs.size(); i += 4) {
            for (qsizetype j = i + 4; j < c.pairs.size(); j += 4) {
                ZERVA_FUZZ_CHECK(c.pairs.mid(i, 2) != c.pairs.mid(j, 2));
            }
        }
    }
}

// Lines that give a pair entry read this way (a repeated pair counts each time).
int pairLines(QByteArrayView text, clipboard::Direction direction) {
    common::TableFileLines lines(text);
    QByteArrayView line;
    int n = 0;
    while (lines.next(line)) {
        common::TableEntry e;
        if (common::parseTableEntry(line, e) != common::TableLine::Entry) {
            continue;
        }
        const common::TableSide& from =
            direction == clipboard::Direction::ToMs ? e.source : e.output;
        n += from.first && from.second ? 1 : 0;
    }
    return n;
}

// Both tables give every byte and every pair the same output.
void checkAlike(const clipboard::ClipboardTable& c, const converter::ConversionTable& t) {
    const clipboard::ClipboardTable fromFile = fuzz::toClipboardTable(t);
    for (int x = 0; x < 256; ++x) {
        const auto& a = c.cells[static_cast<std::size_t>(x)];
        const auto& b = fromFile.cells[static_cast<std::size_t>(x)];
        ZERVA_FUZZ_CHECK(a.out1Hex == b.out1Hex && a.out2Hex == b.out2Hex);
        for (int y = 0; y < 256 && !(a.pairs.isEmpty() && b.pairs.isEmpty()); ++y) {
            const QByteArray key = clipboard::ByteToHex(static_cast<std::uint8_t>(y));
            ZERVA_FUZZ_CHECK(clipboard::FindPairTarget(a.pairs, key) ==
                             clipboard::FindPairTarget(b.pairs, key));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView text(data, static_cast<qsizetype>(size));
    // The file converter reads entries only under a table header; the clipboard's loader
    // reads every line. Without any other header both read the same lines.
    const bool comparable = !text.contains('[');
    const QByteArray withHeader = "[Convert Table]\n" + text.toByteArray();
    for (const common::Direction direction : {common::Direction::ToMs, common::Direction::FromMs}) {
        clipboard::TableProblem problem;
        const auto table = clipboard::parseClipboardTable(text, direction, &problem);
        if (!table) {
            ZERVA_FUZZ_CHECK(problem.line >= 1 && problem.line <= lineCount(text));
            ZERVA_FUZZ_CHECK(!problem.reason.isEmpty());
            continue;
        }
        checkCells(*table);
        ZERVA_FUZZ_CHECK(direction == common::Direction::ToMs || !table->hasUnicode());
        if (!comparable) {
            continue;
        }
        const auto fileTable = converter::parseConversionTable(withHeader, direction);
        // The file converter refuses only what the clipboard's loader refuses too, or a table
        // of more pair entries than it holds.
        if (!fileTable) {
            ZERVA_FUZZ_CHECK(pairLines(text, direction) > converter::ConversionTable::kMaxPairs);
            continue;
        }
        checkAlike(*table, *fileTable);
    }
    return 0;
}
