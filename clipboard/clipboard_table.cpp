// Loading a table file into the clipboard converter's table.
#include "clipboard_table.h"

#include "common/hex_digits.h"
#include "common/messages.h"
#include "common/profile_file.h"
#include "common/table_files.h"

#include <QFile>

#include <utility>

namespace zerva::clipboard {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

// The output of one single-byte entry while loading; out1 absent means "dropped".
struct SingleEntry {
    std::optional<std::uint8_t> out1;
    std::optional<std::uint8_t> out2;
    bool operator==(const SingleEntry&) const = default;
};

bool fail(TableProblem* problem, int line, const char* reason) {
    if (problem) {
        problem->line = line;
        problem->reason = QString::fromLatin1(reason);
    }
    return false;
}

} // namespace

ClipboardTable ClipboardTable::identity() {
    ClipboardTable table;
    for (int b = 0; b < 256; ++b) {
        table.cells[static_cast<std::size_t>(b)].out1Hex = ByteToHex(static_cast<std::uint8_t>(b));
    }
    return table;
}

QByteArray ByteToHex(std::uint8_t byte) {
    const char digits[2] = {kDigits[byte >> 4], kDigits[byte & 15]};
    return QByteArray(digits, 2);
}

std::optional<std::uint8_t> HexToByte(QByteArrayView digits) {
    if (digits.size() != 2) {
        return std::nullopt;
    }
    const int high = common::hexDigitValue(digits[0]);
    const int low = common::hexDigitValue(digits[1]);
    if (high < 0 || low < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(high * 16 + low);
}

qsizetype FindPairRecord(QByteArrayView pairs, QByteArrayView key) {
    if (key.size() != 2) {
        return -1;
    }
    for (qsizetype at = pairs.size() - 4; at >= 0; at -= 4) {
        if (pairs[at] == key[0] && pairs[at + 1] == key[1]) {
            return at / 4;
        }
    }
    return -1;
}

std::optional<QByteArrayView> FindPairTarget(QByteArrayView pairs, QByteArrayView key) {
    const qsizetype record = FindPairRecord(pairs, key);
    if (record < 0) {
        return std::nullopt;
    }
    return pairs.sliced(record * 4 + 2, 2);
}

std::optional<ClipboardTable> parseClipboardTable(QByteArrayView bytes, Direction direction,
                                                  TableProblem* problem) {
    std::array<std::optional<SingleEntry>, 256> singles;
    common::ReverseFits fits;
    common::TableSection from1256 = common::TableSection::Other;
    bool inUnicode = false;
    std::array<UnicodeText, 256> byteTexts;
    struct PairText {
        int line;
        std::uint8_t first;
        std::uint8_t second;
        UnicodeText text;
    };
    QList<PairText> pairTexts;
    ClipboardTable table;
    table.direction = direction;
    int lineNumber = 0;
    common::TableFileLines lines(bytes);
    QByteArrayView line;
    while (lines.next(line)) {
        ++lineNumber;
        if (common::isTableSectionHeader(line)) {
            const common::TableSection section = common::tableSectionOf(line);
            const bool reverseOnly = section == common::TableSection::ReverseBestFits ||
                                     section == common::TableSection::NoCounterpart;
            from1256 = reverseOnly ? section : common::TableSection::Other;
            inUnicode = section == common::TableSection::Unicode;
        }
        if (inUnicode) {
            if (direction != Direction::ToMs) {
                continue;
            }
            common::TableSide key;
            UnicodeText text;
            switch (common::parseUnicodeEntry(line, key, text)) {
            case common::UnicodeLine::Entry:
                break;
            case common::UnicodeLine::NotAnEntry:
                continue;
            case common::UnicodeLine::Bad:
                fail(problem, lineNumber, "a Unicode text is not one or two code points");
                return std::nullopt;
            }
            if (key.second) {
                pairTexts.append({lineNumber, *key.first, *key.second, text});
                continue;
            }
            UnicodeText& given = byteTexts[*key.first];
            if (given.given() && given != text) {
                fail(problem, lineNumber, "a byte is given two different Unicode texts");
                return std::nullopt;
            }
            given = text;
            continue;
        }
        if (from1256 != common::TableSection::Other) {
            if (direction == Direction::FromMs && !fits.add(from1256, line)) {
                fail(problem, lineNumber, "a reverse entry is not one byte to bytes");
                return std::nullopt;
            }
            continue;
        }
        common::TableEntry parsed;
        switch (common::parseTableEntry(line, parsed)) {
        case common::TableLine::Entry:
            break;
        case common::TableLine::NotAnEntry:
            continue;
        case common::TableLine::BadNumber:
            fail(problem, lineNumber, "a number is not a byte value 0-255");
            return std::nullopt;
        case common::TableLine::PairWithoutTarget:
            // A pair that yields nothing would put a NUL byte into the text, and the file
            // converter rejects such a line too.
            fail(problem, lineNumber, "a two-byte entry without a target");
            return std::nullopt;
        }

        // Reading the other way round swaps the two sides of every line.
        const bool reverse = direction == Direction::FromMs;
        const common::TableSide& from = reverse ? parsed.output : parsed.source;
        const common::TableSide& to = reverse ? parsed.source : parsed.output;
        if (!from.first) {
            continue; // a dropped byte cannot be reversed
        }

        const std::uint8_t x = *from.first;
        auto& cells = table.cells[x];
        if (!from.second) {
            const SingleEntry entry{to.first, to.second};
            if (direction == Direction::ToMs && singles[x] && *singles[x] != entry) {
                fail(problem, lineNumber, "a byte is given two different outputs");
                return std::nullopt;
            }
            singles[x] = entry;
            continue;
        }

        if (!to.first) {
            fail(problem, lineNumber, "a two-byte entry without a target");
            return std::nullopt;
        }
        const QByteArray pairKey = ByteToHex(*from.second);
        const QByteArray target = ByteToHex(*to.first);
        if (const auto found = FindPairTarget(cells.pairs, pairKey)) {
            if (*found != QByteArrayView(target)) {
                fail(problem, lineNumber, "a pair is given two different targets");
                return std::nullopt;
            }
            continue;
        }
        cells.pairs += pairKey;
        cells.pairs += target;
    }

    for (const PairText& pair : pairTexts) {
        auto& cells = table.cells[pair.first];
        const qsizetype record = FindPairRecord(cells.pairs, ByteToHex(pair.second));
        if (record < 0) {
            fail(problem, pair.line, "a Unicode text for a pair the table lacks");
            return std::nullopt;
        }
        if (cells.pairTexts.isEmpty()) {
            cells.pairTexts.resize(cells.pairs.size() / 4);
        }
        UnicodeText& given = cells.pairTexts[record];
        if (given.given() && given != pair.text) {
            fail(problem, pair.line, "a pair is given two different Unicode texts");
            return std::nullopt;
        }
        given = pair.text;
        table.anyUnicode = table.anyUnicode || pair.text.given();
    }

    for (int b = 0; b < 256; ++b) {
        auto& cells = table.cells[static_cast<std::size_t>(b)];
        auto& entry = singles[static_cast<std::size_t>(b)];
        cells.unicode = byteTexts[static_cast<std::size_t>(b)];
        table.anyUnicode = table.anyUnicode || cells.unicode.given();
        if (const auto& fit = fits[static_cast<std::uint8_t>(b)]; fit && !entry) {
            entry = SingleEntry{fit->output.first, fit->output.second};
            cells.noCounterpart = fit->counted;
        }
        if (!entry) {
            cells.out1Hex = ByteToHex(static_cast<std::uint8_t>(b));
        } else if (entry->out1) {
            cells.out1Hex = ByteToHex(*entry->out1);
            if (entry->out2) {
                cells.out2Hex = ByteToHex(*entry->out2);
            }
        }
    }
    return table;
}

QString tableFilePath(const QString& folder, int tableNumber) {
    return common::findFileNoCase(folder, common::tableFileName(tableNumber));
}

std::optional<ClipboardTable> readClipboardTable(const QString& folder, int tableNumber,
                                                 Direction direction, TableProblem* problem) {
    QFile file(tableFilePath(folder, tableNumber));
    if (!file.open(QIODevice::ReadOnly)) {
        fail(problem, 0, "the file cannot be opened");
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        fail(problem, 0, "the file cannot be read");
        return std::nullopt;
    }
    file.close();
    return parseClipboardTable(bytes, direction, problem);
}

QString tableFailureMessage(int tableNumber) {
    return common::tableFileErrorMessage(tableNumber);
}

std::optional<ClipboardTable> LoadClipboardTable(const QString& installPath, int tableNumber,
                                                 Direction direction,
                                                 common::Messenger& messenger) {
    auto table = readClipboardTable(installPath, tableNumber, direction);
    if (!table) {
        messenger.MsgBox(tableFailureMessage(tableNumber), common::kOkOnly, common::errorTitle());
    }
    return table;
}

} // namespace zerva::clipboard
