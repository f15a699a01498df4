// The harnesses' shared helpers.
#include "tests/fuzz/fuzz_support.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace zerva::fuzz {

void checkFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

int InputMessenger::MsgBox(const common::MsgBoxArgs& args) {
    ++m_boxes;
    const int buttons = common::enabledButtons(args.button);
    if (buttons <= 0) {
        return common::presetAnswer(args.button);
    }
    return m_answers.ConsumeIntegralInRange<int>(0, buttons - 1);
}

void InputMessenger::systemMessage(const QString&, const QString&) {
    ++m_boxes;
}

namespace {

const QTemporaryDir& workFolder() {
    static const std::unique_ptr<QTemporaryDir> dir = [] {
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        auto d = std::make_unique<QTemporaryDir>(base + QStringLiteral("/zerva-fuzz-XXXXXX"));
        if (!d->isValid()) {
            checkFailed("a work folder can be made", __FILE__, __LINE__);
        }
        return d;
    }();
    return *dir;
}

QByteArray readFileOrDie(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        std::abort();
    }
    return file.readAll();
}

} // namespace

QString workPath(const QString& name) {
    return workFolder().filePath(name);
}

void writeWorkFile(const QString& name, const QByteArray& bytes) {
    QFile file(workPath(name));
    ZERVA_FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ZERVA_FUZZ_CHECK(file.write(bytes) == bytes.size());
}

QByteArray readWorkFile(const QString& name) {
    return readFileOrDie(workPath(name));
}

const std::vector<QByteArray>& bundledTableTexts() {
    static const std::vector<QByteArray> texts = [] {
        std::vector<QByteArray> out;
        for (int n = 1; QFile::exists(QStringLiteral(ZERVA_FUZZ_DATA_DIR "/converter/") +
                                      common::tableFileName(n));
             ++n) {
            out.push_back(readFileOrDie(QStringLiteral(ZERVA_FUZZ_DATA_DIR "/converter/") +
                                        common::tableFileName(n)));
        }
        ZERVA_FUZZ_CHECK(!out.empty());
        return out;
    }();
    return texts;
}

QByteArray bundledTableList() {
    return readFileOrDie(QStringLiteral(ZERVA_FUZZ_DATA_DIR "/converter/") +
                         common::tableListFileName());
}

clipboard::ClipboardTable toClipboardTable(const converter::ConversionTable& table) {
    clipboard::ClipboardTable out;
    out.direction = table.direction();
    for (int x = 0; x < 256; ++x) {
        const auto b = static_cast<std::uint8_t>(x);
        const converter::ByteEntry& e = table.byte(b);
        auto& cells = out.cells[b];
        if (e.kind >= 1) {
            cells.out1Hex = clipboard::ByteToHex(e.out1);
        }
        if (e.kind == 2) {
            cells.out2Hex = clipboard::ByteToHex(e.out2);
        }
        // The chain runs newest first; the clipboard's records are searched from the end.
        std::vector<std::uint8_t> chain;
        for (std::uint8_t k = e.pairHead; k != 0; k = table.pair(k).next) {
            chain.push_back(k);
        }
        for (auto k = chain.rbegin(); k != chain.rend(); ++k) {
            cells.pairs += clipboard::ByteToHex(table.pair(*k).second);
            cells.pairs += clipboard::ByteToHex(table.pair(*k).target);
        }
    }
    return out;
}

QByteArray escapesOf(const QByteArray& in) {
    QByteArray out;
    out.reserve(in.size() * 4);
    for (const char c : in) {
        out += "\\'";
        out += clipboard::ByteToHex(static_cast<std::uint8_t>(c));
    }
    return out;
}

} // namespace zerva::fuzz
