// What the fuzz harnesses share: a check that stops the run, a message interface that
// answers from the input, a private work folder for code that reads and writes files, the
// bundled tables, and the clipboard converter's form of a file converter's table.
#pragma once

#include "clipboard/clipboard_table.h"
#include "common/messages.h"
#include "converter/conversion_table.h"

#include <QByteArray>
#include <QString>

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

// A broken invariant is a finding like a crash: report it and abort.
#define ZERVA_FUZZ_CHECK(condition)                                                                \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::zerva::fuzz::checkFailed(#condition, __FILE__, __LINE__);                            \
        }                                                                                          \
    } while (false)

namespace zerva::fuzz {

[[noreturn]] void checkFailed(const char* condition, const char* file, int line);

// Answers every box with a button index taken from the input (a valid one for its button
// set) and counts the boxes.
class InputMessenger : public common::Messenger {
public:
    using Messenger::MsgBox;
    explicit InputMessenger(FuzzedDataProvider& answers) : m_answers(answers) {}

    int MsgBox(const common::MsgBoxArgs& args) override;
    void systemMessage(const QString& text, const QString& title) override;
    int boxes() const { return m_boxes; }

private:
    FuzzedDataProvider& m_answers;
    int m_boxes = 0;
};

// A folder of this process's own, kept for the run (in /dev/shm when there is one, so that
// file round trips cost little); files in it are named by the harness.
QString workPath(const QString& name);
void writeWorkFile(const QString& name, const QByteArray& bytes);
QByteArray readWorkFile(const QString& name);

// The bundled tables' texts, TABLE1.INI first, and the table list's text.
const std::vector<QByteArray>& bundledTableTexts();
QByteArray bundledTableList();

// The clipboard converter's table holding the same entries as a file converter's table.
clipboard::ClipboardTable toClipboardTable(const converter::ConversionTable& table);

// Every byte of in as an RTF escape: \'hh.
QByteArray escapesOf(const QByteArray& in);

} // namespace zerva::fuzz
