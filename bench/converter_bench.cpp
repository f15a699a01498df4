// In-process timings of the converters over a file of Persian-like text, and of the plain
// converter over chunk sizes (which is how the default chunk size was chosen).
#include "converter/rtf_convert.h"
#include "converter/text_convert.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace zerva::converter;

namespace {

constexpr qsizetype kSize = 32 * 1024 * 1024;

class NoMessages : public zerva::common::Messenger {
public:
    using Messenger::MsgBox;
    int MsgBox(const zerva::common::MsgBoxArgs&) override { return 0; }
    void systemMessage(const QString&, const QString&) override {}
};

// Words of 2-9 letters of the upper half, spaces, a full stop now and then, lines of about
// 80 bytes; or, as RTF, the same with every upper byte written as an escape.
struct Inputs {
    QTemporaryDir dir;
    QString text = dir.filePath(QStringLiteral("text.txt"));
    QString rtf = dir.filePath(QStringLiteral("text.rtf"));
    QString out = dir.filePath(QStringLiteral("out"));
    ConversionTable table;

    Inputs() {
        QByteArray plain;
        QByteArray escaped;
        quint32 seed = 2001;
        const auto next = [&seed](quint32 n) {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) % n;
        };
        while (plain.size() < kSize) {
            const quint32 len = 2 + next(8);
            for (quint32 i = 0; i < len; ++i) {
                const auto b = static_cast<char>(0xC1 + next(62));
                plain += b;
                escaped += "\\'" + QByteArray::number(static_cast<uchar>(b), 16);
            }
            const char sep = next(16) == 0 ? '.' : (next(14) == 0 ? '\n' : ' ');
            plain += sep;
            escaped += sep == '\n' ? QByteArray("\\par\n") : QByteArray(1, sep);
        }
        QFile t(text);
        t.open(QIODevice::WriteOnly);
        t.write(plain);
        QFile r(rtf);
        r.open(QIODevice::WriteOnly);
        r.write(escaped.left(kSize));
        for (int x = 0xC1; x < 0xFF; ++x) {
            table.setByte(static_cast<std::uint8_t>(x), 1, static_cast<std::uint8_t>(x ^ 0x21), 0);
        }
    }
};

Inputs& inputs() {
    static Inputs in;
    return in;
}

template <ConvertStatus (*Convert)(const QString&, const QString&, const ConversionTable&,
                                   zerva::common::Messenger&, const ConvertOptions&)>
void run(benchmark::State& state, bool rtf) {
    Inputs& in = inputs();
    NoMessages messages;
    ConvertOptions options;
    if (state.range(0) > 0) {
        options.chunkSize = state.range(0);
    }
    for (auto _ : state) {
        if (Convert(rtf ? in.rtf : in.text, in.out, in.table, messages, options) !=
            ConvertStatus::Success) {
            state.SkipWithError("conversion failed");
        }
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

void BM_ConvertTextFile(benchmark::State& s) {
    run<ConvertTextFile>(s, false);
}
void BM_ConvertTextFileRtl(benchmark::State& s) {
    run<ConvertTextFileRtl>(s, false);
}
void BM_ConvertTextFileLtr(benchmark::State& s) {
    run<ConvertTextFileLtr>(s, false);
}
void BM_ConvertRtfFile(benchmark::State& s) {
    run<ConvertRtfFile>(s, true);
}

BENCHMARK(BM_ConvertTextFile)
    ->Arg(0)
    ->Arg(4096)
    ->Arg(65536)
    ->Arg(1 << 20)
    ->Arg(4 << 20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertTextFileRtl)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertTextFileLtr)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertRtfFile)->Arg(0)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
