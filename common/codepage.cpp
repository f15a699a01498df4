// Single-byte code pages, each built once from ICU's converter of that name.
#include "codepage.h"

#include <unicode/ucnv.h>

#include <QByteArray>

#include <map>
#include <memory>
#include <mutex>

namespace zerva::common {

struct CodePageBuilder {
    // Null when ICU has no single-byte converter of that number.
    static std::unique_ptr<CodePage> build(int number) {
        UConverter* conv = nullptr;
        for (const char* prefix : {"windows-", "ibm-", "cp", ""}) {
            UErrorCode status = U_ZERO_ERROR;
            const QByteArray name = *prefix != 0      ? prefix + QByteArray::number(number)
                                    : number == 10000 ? QByteArrayLiteral("macintosh")
                                                      : QByteArray();
            if (name.isEmpty()) {
                continue;
            }
            conv = ucnv_open(name.constData(), &status);
            if (U_SUCCESS(status) && conv != nullptr) {
                break;
            }
            if (conv != nullptr) {
                ucnv_close(conv);
                conv = nullptr;
            }
        }
        if (conv == nullptr) {
            return nullptr;
        }
        std::unique_ptr<CodePage> page;
        if (ucnv_getMaxCharSize(conv) == 1) {
            page = std::make_unique<CodePage>();
            for (int b = 0; b < 256; ++b) {
                char16_t out = 0xFFFD;
                const char in = static_cast<char>(b);
                UErrorCode s = U_ZERO_ERROR;
                UChar buf[4];
                ucnv_resetToUnicode(conv);
                const int32_t n = ucnv_toUChars(conv, buf, 4, &in, 1, &s);
                if (U_SUCCESS(s) && n == 1) {
                    out = buf[0];
                }
                if (b < 0x80) {
                    out = static_cast<char16_t>(b); // ASCII is ASCII, whatever the converter says
                }
                page->m_chars[static_cast<std::size_t>(b)] = out;
                if (out != 0xFFFD && !page->m_bytes.contains(out)) {
                    page->m_bytes.insert(out, static_cast<std::uint8_t>(b));
                }
            }
        }
        ucnv_close(conv);
        return page;
    }
};

const CodePage* CodePage::byNumber(int number) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> pages; // null entries: none of that number
    const std::lock_guard<std::mutex> lock(mutex);
    auto it = pages.find(number);
    if (it == pages.end()) {
        it = pages.emplace(number, number > 0 ? CodePageBuilder::build(number) : nullptr).first;
    }
    return it->second.get();
}

std::optional<std::uint8_t> CodePage::byteOf(char32_t ch) const {
    const auto it = m_bytes.constFind(ch);
    if (it == m_bytes.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

namespace {

const CodePage& cp1256() {
    static const CodePage* page = CodePage::byNumber(1256);
    Q_ASSERT(page != nullptr); // ICU's data always has it
    return *page;
}

} // namespace

const std::array<char16_t, 256>& cp1256Table() {
    return cp1256().chars();
}

std::optional<std::uint8_t> cp1256Byte(char32_t ch) {
    return cp1256().byteOf(ch);
}

QString fromCp1256(QByteArrayView bytes) {
    const auto& table = cp1256Table();
    QString out;
    out.resize(bytes.size());
    QChar* dst = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        dst[i] = QChar(table[static_cast<std::uint8_t>(bytes[i])]);
    }
    return out;
}

QByteArray toCp1256(const QString& text, qsizetype* unmapped) {
    QByteArray out;
    out.reserve(text.size());
    qsizetype missing = 0;
    for (const char32_t ch : text.toUcs4()) {
        if (const auto b = cp1256Byte(ch)) {
            out.append(static_cast<char>(*b));
        } else {
            out.append(static_cast<char>(kSubstituteByte));
            ++missing;
        }
    }
    if (unmapped != nullptr) {
        *unmapped = missing;
    }
    return out;
}

} // namespace zerva::common
