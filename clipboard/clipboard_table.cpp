// Loading a table file into the clipboard converter's table.
#include "clipboard_table.h"

#include "clipboard_texts.h"
#include "file_names.h"

#include "common/messages.h"

#include <QFile>

#include <utility>

namespace zerva::clipboard {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && (text.front() == ' ' || text.front() == '\t')) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && (text.back() == ' ' || text.back() == '\t')) {
        text.chop(1);
    }
    return text;
}

// A byte value written in decimal, blanks around it allowed.
std::optional<std::uint8_t> parseByte(QByteArrayView text) {
    text = trimmed(text);
    if (text.isEmpty() || text.size() > 3) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    if (value > 255) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

struct Side {
    std::optional<std::uint8_t> first;
    std::optional<std::uint8_t> second;
};

// One side of an entry: "a", "a+b", or (allowEmpty) nothing at all.
std::optional<Side> parseSide(QByteArrayView text, bool allowEmpty) {
    Side side;
    if (allowEmpty && trimmed(text).isEmpty()) {
        return side;
    }
    const qsizetype plus = text.indexOf('+');
    if (plus < 0) {
        side.first = parseByte(text);
        return side.first ? std::optional<Side>(side) : std::nullopt;
    }
    side.first = parseByte(text.first(plus));
    side.second = parseByte(text.sliced(plus + 1));
    if (!side.first || !side.second) {
        return std::nullopt;
    }
    return side;
}

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
    const int high = hexValue(digits[0]);
    const int low = hexValue(digits[1]);
    if (high < 0 || low < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(high * 16 + low);
}

std::optional<QByteArrayView> FindPairTarget(QByteArrayView pairs, QByteArrayView key) {
    if (key.size() != 2) {
        return std::nullopt;
    }
    for (qsizetype at = pairs.size() - 4; at >= 0; at -= 4) {
        if (pairs[at] == key[0] && pairs[at + 1] == key[1]) {
            return pairs.sliced(at + 2, 2);
        }
    }
    return std::nullopt;
}

std::optional<ClipboardTable> parseClipboardTable(QByteArrayView bytes, Direction direction,
                                                  TableProblem* problem) {
    std::array<std::optional<SingleEntry>, 256> singles;
    ClipboardTable table;
    int lineNumber = 0;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n') {
            ++end;
        }
        const QByteArrayView line = bytes.sliced(start, end - start);
        ++lineNumber;
        // CR LF, a lone CR and a lone line feed each end one line.
        start = end;
        if (start < bytes.size() && bytes[start] == '\r') {
            ++start;
        }
        if (start < bytes.size() && bytes[start] == '\n') {
            ++start;
        }

        const qsizetype eq = line.indexOf('=');
        if (eq < 0) {
            continue;
        }
        const QByteArrayView key = line.first(eq);
        if (key.contains(';')) {
            continue;
        }
        QByteArrayView value = line.sliced(eq + 1);
        if (const qsizetype semi = value.indexOf(';'); semi >= 0) {
            value = value.first(semi);
        }

        const auto source = parseSide(key, false);
        const auto output = parseSide(value, true);
        if (!source || !output) {
            fail(problem, lineNumber, "a number is not a byte value 0-255");
            return std::nullopt;
        }
        // Two source bytes need a target: a pair that yields nothing would put a NUL byte
        // into the text, and the file converter rejects such a line too.
        if (source->second && !output->first) {
            fail(problem, lineNumber, "a two-byte entry without a target");
            return std::nullopt;
        }

        // Reading the other way round swaps the two sides of every line.
        const bool reverse = direction == Direction::ChangeFromMS;
        const Side from = reverse ? *output : *source;
        const Side to = reverse ? *source : *output;
        if (!from.first) {
            continue; // a dropped byte cannot be reversed
        }

        const std::uint8_t x = *from.first;
        auto& cells = table.cells[x];
        if (!from.second) {
            const SingleEntry entry{to.first, to.second};
            if (direction == Direction::ChangeToMS && singles[x] && *singles[x] != entry) {
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

    for (int b = 0; b < 256; ++b) {
        auto& cells = table.cells[static_cast<std::size_t>(b)];
        const auto& entry = singles[static_cast<std::size_t>(b)];
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
    return findFileNoCase(folder, QStringLiteral("TABLE%1.INI").arg(tableNumber));
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
    return texts::kMsgTableHead() + QString::number(tableNumber) + texts::kMsgTableTail();
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
