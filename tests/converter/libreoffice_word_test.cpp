// The LibreOffice engine's batches, with a stand-in soffice (a shell script that "converts"
// by copying each input into the output folder under the filter's extension, and logs each
// start): names, formats, time limits.
#include "converter/platform/libreoffice_word.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

using namespace zerva::converter;
using zerva::test::readFile;
using zerva::test::writeFile;

namespace {

class LibreOfficeBatches : public ::testing::Test {
protected:
    void SetUp() override {
        // An input holding "hang" stops the stand-in; one holding "slow" takes a second.
        const QByteArray script = "#!/bin/sh\n"
                                  "echo \"$*\" >> '" +
                                  path("calls").toUtf8() +
                                  "'\n"
                                  "while [ $# -gt 0 ]; do\n"
                                  "  case \"$1\" in\n"
                                  "    --convert-to) filter=$2; shift ;;\n"
                                  "    --outdir) out=$2; shift ;;\n"
                                  "    -*) ;;\n"
                                  "    *) grep -q hang \"$1\" && { sleep 30 & echo $! > '" +
                                  path("sleeper").toUtf8() +
                                  "'; wait; }\n"
                                  "       grep -q slow \"$1\" && sleep 1\n"
                                  "       name=$(basename \"$1\"); ext=${filter%%:*}\n"
                                  "       cp \"$1\" \"$out/${name%.*}.$ext\" ;;\n"
                                  "  esac\n"
                                  "  shift\n"
                                  "done\n";
        ASSERT_TRUE(writeFile(path("soffice"), script));
        ASSERT_TRUE(QFile::setPermissions(path("soffice"), QFileDevice::ReadOwner |
                                                               QFileDevice::WriteOwner |
                                                               QFileDevice::ExeOwner));
    }
    QString path(const char* relative) const { return dir.filePath(QString::fromUtf8(relative)); }
    QList<QByteArray> calls() const { return readFile(path("calls")).trimmed().split('\n'); }
    std::unique_ptr<WordDocuments> engine(int timeoutMs) {
        for (const char* folder : {"r", "w"}) {
            EXPECT_TRUE(QDir().mkpath(path(folder)));
        }
        LibreOfficeWordService service(path("soffice"), timeoutMs);
        WordStartError error = WordStartError::Failed;
        auto documents = service.create(error);
        EXPECT_EQ(error, WordStartError::None);
        return documents;
    }

    QTemporaryDir dir;
};

TEST_F(LibreOfficeBatches, OneStartToRtfAndOnePerFormatBackWithoutNameClashes) {
    // Two documents of one name in two folders, and two of one name but the extension.
    ASSERT_TRUE(writeFile(path("a/x.doc"), "first"));
    ASSERT_TRUE(writeFile(path("b/x.doc"), "second"));
    ASSERT_TRUE(writeFile(path("b/x.docx"), "third"));
    ASSERT_TRUE(writeFile(path("c/y.odt"), "fourth"));
    auto word = engine(60000);
    ASSERT_NE(word, nullptr);
    const std::vector<bool> toRtf = word->saveAsRtf({{path("a/x.doc"), path("r/1.rtf")},
                                                     {path("b/x.doc"), path("r/2.rtf")},
                                                     {path("b/x.docx"), path("r/3.rtf")},
                                                     {path("c/y.odt"), path("r/4.rtf")}});
    EXPECT_EQ(toRtf, std::vector<bool>(4, true));
    ASSERT_EQ(calls().size(), 1);
    EXPECT_TRUE(calls()[0].contains("--convert-to rtf "));
    EXPECT_EQ(readFile(path("r/1.rtf")), "first");
    EXPECT_EQ(readFile(path("r/2.rtf")), "second");
    EXPECT_EQ(readFile(path("r/3.rtf")), "third");
    EXPECT_EQ(readFile(path("r/4.rtf")), "fourth");

    const std::vector<bool> back = word->saveAsWord({{path("r/1.rtf"), path("w/1.doc")},
                                                     {path("r/2.rtf"), path("w/2.odt")},
                                                     {path("r/3.rtf"), path("w/3.docx")},
                                                     {path("r/4.rtf"), path("w/4.DOC")}});
    EXPECT_EQ(back, std::vector<bool>(4, true));
    const QList<QByteArray> all = calls();
    ASSERT_EQ(all.size(), 4);
    EXPECT_TRUE(all[1].contains("--convert-to doc:MS Word 97 "));
    EXPECT_EQ(all[1].count(".rtf"), 2); // 1.doc and 4.DOC together
    EXPECT_TRUE(all[2].contains("--convert-to docx:MS Word 2007 XML "));
    EXPECT_TRUE(all[3].contains("--convert-to odt:writer8 "));
    EXPECT_EQ(readFile(path("w/1.doc")), "first");
    EXPECT_EQ(readFile(path("w/2.odt")), "second");
    EXPECT_EQ(readFile(path("w/3.docx")), "third");
    EXPECT_EQ(readFile(path("w/4.DOC")), "fourth");
    for (const QByteArray& call : all) {
        EXPECT_TRUE(call.contains("-env:UserInstallation=file://")) << call.toStdString();
    }

    // A missing input fails alone; after Quit nothing is done.
    EXPECT_EQ(
        word->saveAsRtf({{path("a/x.doc"), path("r/5.rtf")}, {path("gone.doc"), path("r/6.rtf")}}),
        (std::vector<bool>{true, false}));
    EXPECT_FALSE(QFile::exists(path("r/6.rtf")));
    word->Quit();
    EXPECT_FALSE(word->saveOneAsRtf(path("a/x.doc"), path("r/7.rtf")));
    EXPECT_EQ(calls().size(), 5);
}

TEST_F(LibreOfficeBatches, TheTimeLimitHoldsForEachDocument) {
    // Three documents of a second each pass a limit of two seconds between outputs.
    for (const char* name : {"s/1.doc", "s/2.doc", "s/3.doc"}) {
        ASSERT_TRUE(writeFile(path(name), "slow"));
    }
    auto word = engine(2000);
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->saveAsRtf({{path("s/1.doc"), path("r/1.rtf")},
                               {path("s/2.doc"), path("r/2.rtf")},
                               {path("s/3.doc"), path("r/3.rtf")}}),
              std::vector<bool>(3, true));

    // One that hangs stops the start after the limit, and no output of it is trusted.
    ASSERT_TRUE(writeFile(path("h/2.doc"), "hang"));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(
        word->saveAsRtf({{path("s/1.doc"), path("r/4.rtf")}, {path("h/2.doc"), path("r/5.rtf")}}),
        (std::vector<bool>{false, false}));
    EXPECT_LT(timer.elapsed(), 15000);
    EXPECT_FALSE(QFile::exists(path("r/4.rtf")));
    // The stand-in's own child was stopped with it (gone, or dead and not yet reaped).
    const QByteArray sleeper = readFile(path("sleeper")).trimmed();
    ASSERT_FALSE(sleeper.isEmpty());
    QThread::msleep(300);
    const QByteArray stat =
        readFile(QStringLiteral("/proc/") + QString::fromLatin1(sleeper) + QStringLiteral("/stat"));
    EXPECT_TRUE(stat.isEmpty() || stat.contains(") Z ")) << stat.toStdString();
}

} // namespace
