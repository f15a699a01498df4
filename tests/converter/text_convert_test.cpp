// The three text converters: conversion, line and run reordering, buffer-size independence,
// empty files and failures.
#include "converter/char_class.h"
#include "converter/converter_messages.h"
#include "converter/text_convert.h"
#include "tests/converter/test_tables.h"
#include "tests/support/row_name.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace zerva::converter;
using zerva::test::bytes;
using zerva::test::convertBytes;
using zerva::test::FakeMessenger;
using zerva::test::FileConverter;
using zerva::test::makeTable;

namespace {

const FileConverter kPlain = ConvertTextFile;
const FileConverter kRtl = ConvertTextFileRtl;
const FileConverter kLtr = ConvertTextFileLtr;

// Persian (class 1) and Latin (class -1) letters, and joining punctuation (class 0).
constexpr int P1 = 0xC1, P2 = 0xC2, P3 = 0xC3, L1 = 'a', L2 = 'b', DOT = '.', SP = ' ';

// One row of a converter's cases: the table lines, the source and what the converter writes.
struct TextCase {
    const char* name;
    QByteArray in;
    QByteArray out;
};

// Runs a row at several chunk sizes, with the vector kernels and with the plain loops.
void expectRow(const FileConverter& convert, const ConversionTable& table, const TextCase& row) {
    for (const bool portable : {false, true}) {
        for (qsizetype chunk : {1, 2, 3, 4, 1024}) {
            ConvertOptions o;
            o.chunkSize = chunk;
            o.portableLoops = portable;
            EXPECT_EQ(convertBytes(convert, table, row.in, o), row.out)
                << "chunk " << chunk << (portable ? ", plain loops" : "");
        }
    }
}

class ConvertTextFileUnits : public ::testing::TestWithParam<TextCase> {};

TEST_P(ConvertTextFileUnits, Converts) {
    expectRow(kPlain, makeTable({"65=", "66=67+68", "200+201=90", "202=91"}), GetParam());
}

const TextCase kUnitCases[] = {
    {"Empty", "", ""},
    {"Identity", "hello\r\n", "hello\r\n"},
    {"Drop", "xAAy", "xy"},
    {"TwoBytes", "B", "CD"},
    {"PairAtTheEnd", bytes({'x', 200, 201}), "xZ"},
    {"PairFirst", bytes({200, 201, 'x'}), "Zx"},
    {"HeadWithoutFollower", bytes({'x', 200}), bytes({'x', 200})},
    {"HeadThenOther", bytes({200, 202, 201}), bytes({200, 91, 201})},
    {"ThreeHeads", bytes({200, 200, 201}), bytes({200, 90})},
    // At chunk size 4 the last chunk is shorter than the one before: the head at the end
    // must not meet the earlier chunk's byte left behind it.
    {"HeadAtTheEndAfterAPair", bytes({'x', 200, 201, 'w', 'z', 200}),
     bytes({'x', 90, 'w', 'z', 200})},
};
INSTANTIATE_TEST_SUITE_P(Cases, ConvertTextFileUnits, ::testing::ValuesIn(kUnitCases),
                         zerva::test::RowName());

class ConvertTextFileRtlLines : public ::testing::TestWithParam<TextCase> {};

TEST_P(ConvertTextFileRtlLines, Reorders) {
    expectRow(kRtl, makeTable({"66=67+68"}), GetParam());
}

const TextCase kRtlCases[] = {
    {"Empty", "", ""},
    {"LatinRunAfterPersian", bytes({P1, P2, L1, L2, 10}), bytes({L1, L2, P2, P1, 10})},
    {"CrLfStaysInOrder", bytes({P1, L1, 13, 10}), bytes({L1, P1, 13, 10})},
    {"LastLineWithoutEnd", bytes({P1, P2, 10, P3, L1}), bytes({P2, P1, 10, L1, P3})},
    {"EveryLineAlike", bytes({L1, DOT, 10, L1, DOT, 10}), bytes({DOT, L1, 10, DOT, L1, 10})},
    {"LatinThenPersian", bytes({L1, SP, P1, 10}), bytes({P1, L1, SP, 10})},
    {"PunctuationAtTheEnd", bytes({P1, P2, DOT, 10}), bytes({DOT, P2, P1, 10})},
    {"LatinWordsKeepOrder", bytes({P1, SP, L1, DOT, SP, L2, SP, P2}),
     bytes({P2, SP, L1, DOT, SP, L2, SP, P1})},
    {"Kind2Reversed", bytes({'B', P1}), bytes({P1, 'D', 'C'})},
    {"OnlyLineEnds", "\r\n\n", "\r\n\n"},
};
INSTANTIATE_TEST_SUITE_P(Cases, ConvertTextFileRtlLines, ::testing::ValuesIn(kRtlCases),
                         zerva::test::RowName());

// A pair whose first byte is a line end ends the line, whatever it becomes.
TEST(ConvertTextFileRtl, PairEndsTheLine) {
    expectRow(kRtl, makeTable({"200=13+10"}, Direction::FromMs),
              {"", bytes({P1, P2, L1, 13, 10, P3}), bytes({L1, P2, P1, 200, P3})});
}

class ConvertTextFileLtrRuns : public ::testing::TestWithParam<TextCase> {};

TEST_P(ConvertTextFileLtrRuns, Reverses) {
    expectRow(kLtr, makeTable({"66=67+200"}), GetParam());
}

const TextCase kLtrCases[] = {
    {"Empty", "", ""},
    {"Run", bytes({P1, P2, P3, L1}), bytes({P3, P2, P1, L1})},
    {"PunctuationInside", bytes({P1, P2, DOT, P3, SP}), bytes({P3, DOT, P2, P1, SP})},
    {"PunctuationBefore", bytes({DOT, P1, P2, SP}), bytes({DOT, P2, P1, SP})},
    {"RunAtTheEnd", bytes({L1, P1, P2, P3}), bytes({L1, P3, P2, P1})},
    {"Kind2LastByte", bytes({L1, 'B'}), bytes({L1, 200, 'C'})},
    {"Lines", bytes({P1, P2, 13, 10, P3}), bytes({P2, P1, 13, 10, P3})},
};
INSTANTIATE_TEST_SUITE_P(Cases, ConvertTextFileLtrRuns, ::testing::ValuesIn(kLtrCases),
                         zerva::test::RowName());

// Pairs, line ends and runs that straddle any chunk or memory boundary convert as anywhere
// else: every chunk size and spill threshold gives the same bytes.
TEST(TextConverters, ResultsDoNotDependOnBufferSizes) {
    const ConversionTable t =
        makeTable({"65=", "66=200+67", "200+201=90", "10+13=10", "13+10=202", "202+202=203"});
    QByteArray in;
    quint32 seed = 12345;
    const int alphabet[] = {200, 201, 202, 65, 66, 10, 13, P1, P2, L1, SP, DOT, '?'};
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        in.append(static_cast<char>(alphabet[(seed >> 16) % std::size(alphabet)]));
    }
    in += QByteArray(5000, static_cast<char>(P1)) + QByteArray(3000, 'x'); // a long line
    using BytesConverter = ConvertStatus (*)(QByteArrayView, QByteArray&, const ConversionTable&,
                                             const ConvertOptions&);
    const std::pair<FileConverter, BytesConverter> converters[] = {
        {kPlain, ConvertTextBytes}, {kRtl, ConvertTextBytesRtl}, {kLtr, ConvertTextBytesLtr}};
    for (const auto& [convert, convertInMemory] : converters) {
        const QByteArray reference = convertBytes(convert, t, in);
        ASSERT_FALSE(reference.isEmpty());
        // In memory the same bytes come out, and nothing from nothing.
        QByteArray inMemory("old");
        EXPECT_EQ(convertInMemory(in, inMemory, t, {}), ConvertStatus::Success);
        EXPECT_EQ(inMemory, reference);
        EXPECT_EQ(convertInMemory(QByteArrayView(), inMemory, t, {}), ConvertStatus::Success);
        EXPECT_TRUE(inMemory.isEmpty());
        for (qsizetype chunk : {1, 2, 7, 1000}) {
            for (qsizetype spill : {1, 5, 1 << 20}) {
                ConvertOptions o;
                o.chunkSize = chunk;
                o.spillThreshold = spill;
                EXPECT_EQ(convertBytes(convert, t, in, o), reference)
                    << "chunk " << chunk << " spill " << spill;
            }
        }
    }
}

class TextFailures : public ::testing::Test {
protected:
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
    FakeMessenger m_messenger;
    ConversionTable m_table;
};

TEST_F(TextFailures, MissingSourceOrFolderFailWithoutMessage) {
    ASSERT_TRUE(zerva::test::writeFile(path("in.txt"), "abc"));
    for (const FileConverter& convert : {kPlain, kRtl, kLtr}) {
        EXPECT_EQ(convert(path("none.txt"), path("out.txt"), m_table, m_messenger, {}),
                  ConvertStatus::SourceUnreadable);
        EXPECT_EQ(convert(path("in.txt"), path("no/out.txt"), m_table, m_messenger, {}),
                  ConvertStatus::DestinationUncreatable);
    }
    EXPECT_TRUE(m_messenger.all().isEmpty());
    EXPECT_FALSE(QFile::exists(path("out.txt")));
}

// A short write tells the user, fails, and leaves the old destination as it was: in an
// output that fits one buffer (written at the end) and in one written on a thread of its
// own while the rest is converted.
TEST_F(TextFailures, ShortWriteKeepsOldDestination) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    struct Size {
        int input;
        rlim_t limit;
    };
    for (const Size size : {Size{200000, 50000}, Size{3000000, 1500000}}) {
        // Short lines: a walk keeps them in memory, so only the destination is written.
        ASSERT_TRUE(zerva::test::writeFile(path("in.txt"),
                                           QByteArray("aaaaaaa\n").repeated(size.input / 8)));
        ASSERT_TRUE(zerva::test::writeFile(path("out.txt"), "old"));
        for (const FileConverter& convert : {kPlain, kRtl, kLtr}) {
            rlimit small = old;
            small.rlim_cur = size.limit;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
            ConvertOptions o;
            o.chunkSize = 4096;
            const ConvertStatus status =
                convert(path("in.txt"), path("out.txt"), m_table, m_messenger, o);
            setrlimit(RLIMIT_FSIZE, &old);
            EXPECT_EQ(status, ConvertStatus::WriteFailed) << size.input;
            EXPECT_EQ(zerva::test::readFile(path("out.txt")), "old") << size.input;
        }
    }
    EXPECT_EQ(m_messenger.prompts(), QStringList(6, writeFailedMessage()));
    EXPECT_TRUE(m_messenger.boxes()[0].title.isEmpty());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 2); // no work file left
}

// An output of many buffers, written on a thread of its own, is the same as the one made in
// memory, in every mode and output.
TEST_F(TextFailures, LargeOutputsWrittenWhileConvertingAreWhole) {
    const ConversionTable t = zerva::test::makeTable({"97=200", "98=", "99=201+202", "32=32"});
    QByteArray in;
    for (int k = 0; in.size() < 3000000; ++k) {
        in += QByteArray("abc ab cab").left(3 + k % 7) + "\n";
    }
    for (const TextOutput output : {TextOutput::CodePage1256, TextOutput::Utf8}) {
        ConvertOptions o;
        o.output = output;
        QByteArray expected;
        ASSERT_EQ(ConvertTextBytes(in, expected, t, o), ConvertStatus::Success);
        EXPECT_EQ(convertBytes(kPlain, t, in, o), expected);
        ASSERT_EQ(ConvertTextBytesRtl(in, expected, t, o), ConvertStatus::Success);
        EXPECT_EQ(convertBytes(kRtl, t, in, o), expected);
        ASSERT_EQ(ConvertTextBytesLogical(in, expected, t, o), ConvertStatus::Success);
        EXPECT_EQ(convertBytes(ConvertTextFileLogical, t, in, o), expected);
    }
}

TEST_F(TextFailures, ConvertsAFileOntoItselfAndLeavesNoWorkFiles) {
    const ConversionTable t = makeTable({"97=98"});
    QTemporaryDir work;
    ConvertOptions o;
    o.spillThreshold = 4;
    o.tempFolder = work.path();
    for (const FileConverter& convert : {kPlain, kRtl, kLtr}) {
        ASSERT_TRUE(zerva::test::writeFile(path("x.txt"), "a long line of text\n"));
        EXPECT_EQ(convert(path("x.txt"), path("x.txt"), t, m_messenger, o), ConvertStatus::Success);
        EXPECT_EQ(zerva::test::readFile(path("x.txt")), "b long line of text\n");
        EXPECT_TRUE(QDir(work.path()).isEmpty());
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("x.txt")});
}

} // namespace

namespace {

// The reordering rules written as plainly as possible, to hold the fast converters to them
// on text of every byte value (the identity table, no pairs).
QByteArray referenceRtl(const QByteArray& in) {
    const CharClassTable& cls = CharClass();
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype end = 0; end <= in.size(); ++end) {
        const bool lineEnd = end < in.size() && (in[end] == '\n' || in[end] == '\r');
        if (!lineEnd && end < in.size()) {
            continue;
        }
        bool persian = true;
        QByteArray held;
        for (qsizetype k = end - 1; k >= start; --k) {
            const auto c = static_cast<std::uint8_t>(in[k]);
            if (cls[c] == 1) {
                if (!persian) {
                    persian = true;
                    out += held;
                    held.clear();
                }
                out += static_cast<char>(c);
            } else if (cls[c] == -1 || !persian) {
                persian = false;
                held.prepend(static_cast<char>(c));
            } else {
                out += static_cast<char>(c);
            }
        }
        out += held;
        if (lineEnd) {
            out += in[end];
        }
        start = end + 1;
    }
    return out;
}

QByteArray referenceLtr(const QByteArray& in) {
    const CharClassTable& cls = CharClass();
    QByteArray out;
    QByteArray run;
    bool persian = false;
    for (char ch : in) {
        const int c = cls[static_cast<std::uint8_t>(ch)];
        if (c == 1 || (c == 0 && persian)) {
            persian = true;
            run.prepend(ch);
        } else {
            if (c == -1) {
                out += run;
                run.clear();
                persian = false;
            }
            out += ch;
        }
    }
    return out + run;
}

TEST(TextConverters, ReorderingFollowsTheRulesOnEveryByte) {
    const ConversionTable identity;
    quint32 seed = 7;
    for (int round = 0; round < 4; ++round) {
        QByteArray in;
        for (int i = 0; i < 20000; ++i) {
            seed = seed * 1103515245u + 12345u;
            const quint32 r = seed >> 16;
            // Mostly words and blanks, with any byte now and then.
            const int b = r % 8 == 0   ? static_cast<int>((r >> 3) % 256)
                          : r % 8 < 5  ? 0xC1 + static_cast<int>((r >> 3) % 60)
                          : r % 8 == 5 ? ' '
                          : r % 8 == 6 ? ".,:;'\"?()[]{}"[(r >> 3) % 13]
                                       : 'a' + static_cast<int>((r >> 3) % 26);
            in.append(static_cast<char>(b));
        }
        if (round % 2 == 1) {
            in.replace('\n', ' ').replace('\r', ' '); // one long line
        }
        ConvertOptions o;
        o.chunkSize = 1000 + 333 * round;
        EXPECT_TRUE(convertBytes(kRtl, identity, in, o) == referenceRtl(in)) << round;
        EXPECT_TRUE(convertBytes(kLtr, identity, in, o) == referenceLtr(in)) << round;
    }
}

} // namespace
