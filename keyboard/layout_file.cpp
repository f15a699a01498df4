// Layout file decoding, reading into the model and writing.
#include "layout_file.h"

#include "keyboard/standard_layout.h"

#include "common/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace zerva::keyboard {

namespace {

constexpr std::uint8_t kFirstCopyState = 2;
constexpr std::uint8_t kSecondCopyState = 10;
constexpr int kEntryFixedPart = 7; // text byte, legend, state, 0, n and the first further char
constexpr int kTableEndSize = 2;

QString brokenFileMessage() {
    return QStringLiteral("خطا در فايل صفحه كليد(اين فايل غير قابل تصحيح است).");
}

QString headerQuestion() {
    return QStringLiteral("خطا در فايل صفحه كليد. آيا ميخواهيد خواندن اين فايل ادامه يابد.");
}

// Our own wording: the file could not be opened or read at all.
QString unreadableMessage() {
    return QStringLiteral("فايل صفحه كليد خوانده نشد.");
}

std::uint8_t byteAt(const QByteArray& bytes, qsizetype i) {
    return static_cast<std::uint8_t>(bytes[i]);
}

ReadOutcome refuse(common::Messenger& messenger, const QString& prompt) {
    messenger.MsgBox(prompt, common::kOkOnly, QString());
    return ReadOutcome::Refused;
}

} // namespace

QByteArray expectedHeader(qsizetype fileLength) {
    QByteArray header = standardLayoutImage().left(kHeaderSize);
    const auto dataSize = static_cast<std::uint16_t>(fileLength - 28);
    header[kDataSizeOffset] = static_cast<char>(dataSize & 0xFF);
    header[kDataSizeOffset + 1] = static_cast<char>(dataSize >> 8);
    return header;
}

DecodeResult decodeLayoutFile(const QByteArray& bytes) {
    DecodeResult result;
    const qsizetype length = bytes.size();
    if (length < kMinLayoutFileSize) {
        result.status = DecodeStatus::TooShort;
        return result;
    }
    if (length > kMaxLayoutFileSize) {
        result.status = DecodeStatus::TooLong;
        return result;
    }

    QByteArray header = bytes.left(kHeaderSize);
    QByteArray expected = expectedHeader(length);
    header[kSpaceVirtualKeyOffset] = expected[kSpaceVirtualKeyOffset];
    result.headerMatches = header == expected;

    DecodedPlanes& planes = result.planes;
    for (int k = 0; k < kKeyCount; ++k) {
        planes.base[static_cast<std::size_t>(k)] = byteAt(bytes, kBasePlaneOffset + k);
        planes.shift[static_cast<std::size_t>(k)] = bytes.mid(kShiftPlaneOffset + k, 1);
    }
    const QByteArray legendRow = bytes.mid(kLegendRowOffset, kKeyCount);

    // The table runs from offset 498 up to the two zero bytes that end the file; the entries
    // must fill it exactly.
    qsizetype pos = kTableOffset;
    const qsizetype end = length - kTableEndSize;
    while (pos != end) {
        if (end - pos < kEntryFixedPart) {
            result.status = DecodeStatus::BrokenTable;
            return result;
        }
        const int n = byteAt(bytes, pos + 4);
        const qsizetype size = kEntryFixedPart + (n > 1 ? 2 * n - 2 : 0);
        if (end - pos < size) {
            result.status = DecodeStatus::BrokenTable;
            return result;
        }
        if (byteAt(bytes, pos + 2) == kFirstCopyState) {
            const qsizetype key = legendRow.indexOf(bytes[pos + 1]);
            if (key < 0) {
                result.status = DecodeStatus::UnknownLegend;
                return result;
            }
            if (n + 1 > kMaxEntryTextLength) {
                result.status = DecodeStatus::TextTooLong;
                return result;
            }
            QByteArray text(1, bytes[pos]);
            for (int i = 0; i < n; ++i) {
                text += bytes[pos + 5 + 2 * i];
            }
            planes.shift[static_cast<std::size_t>(key)] = text;
        }
        pos += size;
    }
    return result;
}

QByteArray encodeLayout(const LayoutModel& model) {
    const QByteArray image = standardLayoutImage();
    const DecodedPlanes planes = model.planes();

    QByteArray table;
    for (int k = 0; k < kKeyCount; ++k) {
        const QByteArray& text = planes.shift[static_cast<std::size_t>(k)];
        if (text.size() < 2) {
            continue;
        }
        QByteArray first;
        first += text[0];
        first += image[kLegendRowOffset + k];
        first += static_cast<char>(kFirstCopyState);
        first += '\0';
        first += static_cast<char>(text.size() - 1);
        for (qsizetype i = 1; i < text.size(); ++i) {
            first += text[i];
            first += '\0';
        }
        QByteArray second = first;
        second[2] = static_cast<char>(kSecondCopyState);
        table += first;
        table += second;
    }

    const qsizetype length = kMinLayoutFileSize + table.size();
    if (length > kMaxLayoutFileSize) {
        return {};
    }
    QByteArray out = expectedHeader(length);
    out.reserve(length);
    QByteArray shift;
    for (int k = 0; k < kKeyCount; ++k) {
        out += static_cast<char>(planes.base[static_cast<std::size_t>(k)]);
        shift += planes.shift[static_cast<std::size_t>(k)][0];
    }
    out += shift;
    out += shift;
    out += image.mid(kLegendRowOffset, kKeyCount);
    out += table;
    out += QByteArray(kTableEndSize, '\0');
    return out;
}

ReadOutcome readLayoutBytes(LayoutModel& model, const QByteArray& bytes,
                            common::Messenger& messenger) {
    const DecodeResult decoded = decodeLayoutFile(bytes);
    if (decoded.status == DecodeStatus::TooShort || decoded.status == DecodeStatus::TooLong) {
        return refuse(messenger, brokenFileMessage());
    }
    if (!decoded.headerMatches &&
        messenger.MsgBox(headerQuestion(), common::kYesNo, QString()) != common::kAnswerYes) {
        return ReadOutcome::Declined;
    }
    if (decoded.status != DecodeStatus::Ok) {
        return refuse(messenger, brokenFileMessage());
    }
    if (!model.replaceLayout(decoded.planes)) {
        return refuse(messenger, brokenFileMessage());
    }
    return ReadOutcome::Read;
}

ReadOutcome ReadLayoutFile(LayoutModel& model, const QString& path, common::Messenger& messenger) {
    QFile file(path);
    const QString unreadable =
        unreadableMessage() + QLatin1Char('\n') + QDir::toNativeSeparators(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
        return refuse(messenger, unreadable);
    }
    // Anything past the longest acceptable file is not read: one byte more is enough to know.
    const QByteArray bytes = file.read(kMaxLayoutFileSize + 1);
    const bool failed = file.error() != QFileDevice::NoError;
    file.close();
    if (failed) {
        return refuse(messenger, unreadable);
    }
    return readLayoutBytes(model, bytes, messenger);
}

WriteResult writeFileAtomically(const QString& path, const QByteArray& bytes) {
    const common::WriteOutcome written = common::writeFileAtomically(path, bytes);
    return {written.ok, written.error};
}

WriteResult WriteLayoutFile(const LayoutModel& model, const QString& path) {
    const QByteArray bytes = encodeLayout(model);
    if (bytes.isEmpty()) {
        return {false, QStringLiteral("The layout is too large for a layout file.")};
    }
    return writeFileAtomically(path, bytes);
}

} // namespace zerva::keyboard
