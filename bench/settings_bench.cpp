// Timings of the settings store on a user file of 20 MB: a read of a file that has not changed
// since the last read, a read of a file that has (its time stamp moves before each read), and
// the store's part of a Keyboard start (the substitute key deleted, then the code page and the
// layout list read).
#include "common/settings_store.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace zerva::common;

namespace {

constexpr qsizetype kSize = 20 * 1024 * 1024;

// Keys with a Persian string, a number and a raw value continued over two lines, as an export
// writes them; the code page and the usual layout list at the end.
struct Inputs {
    QTemporaryDir dir;
    QString user = dir.filePath(QStringLiteral("registry.reg"));
    QString defaults = dir.filePath(QStringLiteral("defaults.reg"));
    QDateTime stamp = QDateTime::currentDateTimeUtc().addDays(-1);

    Inputs() {
        QString word;
        for (char16_t c = 0x0627; c < 0x0627 + 20; ++c) {
            word += QChar(c);
        }
        QByteArray text = "REGEDIT4\n\n";
        for (int n = 0; text.size() < kSize; ++n) {
            text += QStringLiteral("[HKEY_CURRENT_USER\\Software\\Bench\\Key%1]\n"
                                   "\"Name\"=\"%2 %1\"\n"
                                   "\"Count\"=dword:%3\n"
                                   "\"Bytes\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,\\\n"
                                   "  0f,10,11,12,13,14,15,16,17,18,19,1a,1b,1c,1d,1e,1f\n\n")
                        .arg(n)
                        .arg(word)
                        .arg(n, 8, 16, QLatin1Char('0'))
                        .toUtf8();
        }
        text += "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Nls\\CodePage]\n"
                "\"ACP\"=\"1256\"\n\n"
                "[HKEY_CURRENT_USER\\Keyboard Layout\\Preload\\1]\n@=\"00000409\"\n\n"
                "[HKEY_CURRENT_USER\\Keyboard Layout\\Preload\\2]\n@=\"00000401\"\n";
        QFile f(user);
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) {
            std::abort();
        }
    }

    // Moves the file's modification time, as another program's write would.
    void touch() {
        stamp = stamp.addSecs(1);
        QFile f(user);
        if (!f.open(QIODevice::ReadWrite) ||
            !f.setFileTime(stamp, QFileDevice::FileModificationTime)) {
            std::abort();
        }
    }
};

Inputs& inputs() {
    static Inputs in;
    return in;
}

void BM_ReadUnchangedFile(benchmark::State& state) {
    Inputs& in = inputs();
    const SettingsStore store(in.user, in.defaults);
    in.touch();
    // The first read parses; the timed ones find the file unchanged.
    RegReadString(store, HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("ACP"));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            RegReadString(store, HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("ACP")));
    }
}
BENCHMARK(BM_ReadUnchangedFile)->Unit(benchmark::kMillisecond);

void BM_ReadChangedFile(benchmark::State& state) {
    Inputs& in = inputs();
    const SettingsStore store(in.user, in.defaults);
    for (auto _ : state) {
        state.PauseTiming();
        in.touch();
        state.ResumeTiming();
        benchmark::DoNotOptimize(
            RegReadString(store, HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("ACP")));
    }
}
BENCHMARK(BM_ReadChangedFile)->Unit(benchmark::kMillisecond);

// The file is new to the process in every round, as at a real start.
void BM_KeyboardStartup(benchmark::State& state) {
    Inputs& in = inputs();
    SettingsStore store(in.user, in.defaults);
    for (auto _ : state) {
        state.PauseTiming();
        in.touch();
        state.ResumeTiming();
        store.deleteKey(HKEY_CURRENT_USER,
                        QStringLiteral("keyboard layout\\substitutes\\00000401"));
        benchmark::DoNotOptimize(
            RegReadString(store, HKEY_LOCAL_MACHINE, kCodePageKey, QStringLiteral("ACP")));
        for (int n = 1; n <= 2; ++n) {
            benchmark::DoNotOptimize(
                RegReadString(store, HKEY_CURRENT_USER,
                              kPreloadKey + QLatin1Char('\\') + QString::number(n), QString()));
        }
    }
}
BENCHMARK(BM_KeyboardStartup)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
