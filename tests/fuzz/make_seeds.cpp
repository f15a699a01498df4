// Writes the harnesses' seed corpora from the bundled data: make_seeds OUT_FOLDER puts one
// folder per harness in OUT_FOLDER (the tables, the table list, the default settings, layout
// files from the standard image, and the text and RTF samples of the converter tests).
#include "common/messages.h"
#include "keyboard/layout_file.h"
#include "keyboard/standard_layout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace zerva;

namespace {

QString g_out;

bool put(const QString& harness, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(g_out + QLatin1Char('/') + harness);
    QFile f(g_out + QLatin1Char('/') + harness + QLatin1Char('/') + name);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class NoMessages : public common::Messenger {
public:
    using Messenger::MsgBox;
    int MsgBox(const common::MsgBoxArgs&) override { return common::kAnswerNo; }
    void systemMessage(const QString&, const QString&) override {}
};

// The standard layout with a few combined keys, so that the table of the file is not empty.
QByteArray layoutWithCombinedKeys() {
    keyboard::LayoutModel model;
    NoMessages none;
    keyboard::readLayoutBytes(model, keyboard::standardLayoutImage(), none);
    model.setShiftPlaneShown(true);
    const QByteArray texts[] = {QByteArray("\xe1\xc7"), QByteArray("\xc8\xd3\xe3"),
                                QByteArray(20, '\xed')};
    int key = 0;
    for (const QByteArray& t : texts) {
        const int entry = model.AddPaletteEntry(t);
        if (entry >= 0) {
            model.SetKey(key, entry);
        }
        key += 3;
    }
    return keyboard::encodeLayout(model);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds OUT_FOLDER\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    const QString data = QStringLiteral(ZERVA_FUZZ_DATA_DIR);
    const QString source = QStringLiteral(ZERVA_FUZZ_SOURCE_DIR);
    bool ok = true;

    ok &= put(QStringLiteral("layout_file"), QStringLiteral("standard.kbd"),
              keyboard::standardLayoutImage());
    ok &= put(QStringLiteral("layout_file"), QStringLiteral("combined.kbd"),
              layoutWithCombinedKeys());

    const QDir tables(data + QStringLiteral("/converter"));
    for (const QFileInfo& f : tables.entryInfoList({QStringLiteral("*.INI")}, QDir::Files)) {
        const QByteArray bytes = readAll(f.filePath());
        ok &= !bytes.isEmpty();
        const bool isList = f.fileName() == QStringLiteral("ZERVACNV.INI");
        for (const char* h :
             isList ? std::initializer_list<const char*>{"table_list", "profile_file"}
                    : std::initializer_list<const char*>{"conversion_table", "clipboard_table",
                                                         "profile_file"}) {
            ok &= put(QString::fromLatin1(h), f.fileName(), bytes);
        }
    }

    // The default settings as installed (the data folder named in them does not matter).
    QByteArray reg = readAll(data + QStringLiteral("/registry.reg.in"));
    ok &= !reg.isEmpty();
    reg.replace("@ZERVA_REG_PATH@", "/usr/share/zerva");
    ok &= put(QStringLiteral("settings_store"), QStringLiteral("registry.reg"), reg);

    // Converter samples: the test suite's Iran System text and the committed small samples.
    const QByteArray iranSystem =
        readAll(source + QStringLiteral("/tests/converter/data/iran-system.txt"));
    ok &= !iranSystem.isEmpty();
    for (const char* h : {"text_convert", "text_convert_rtl", "text_convert_ltr",
                          "text_convert_logical", "clipboard_convert"}) {
        ok &= put(QString::fromLatin1(h), QStringLiteral("iran-system.txt"), iranSystem);
    }
    std::fprintf(stderr, ok ? "" : "make_seeds: some seeds could not be written\n");
    return ok ? 0 : 1;
}
