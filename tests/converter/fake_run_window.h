// Fakes for conversion runs: a file list with a selection and a status line, and Word
// engines that are missing or copy files as their conversions.
#pragma once

#include "converter/batch_driver.h"

#include <QFile>
#include <QStringList>

#include <memory>
#include <vector>

namespace zerva::test {

class FakeRunWindow : public converter::RunWindow {
public:
    FakeRunWindow(QStringList names, std::vector<bool> selected)
        : files(std::move(names)), selection(std::move(selected)) {}

    int fileCount() const override { return static_cast<int>(files.size()); }
    QString fileName(int index) const override { return files[index]; }
    bool isSelected(int index) const override { return selection[static_cast<std::size_t>(index)]; }
    void ShowBusy(int index, const QString& text) override {
        busy.push_back(index);
        status = text;
        busyColour = true;
    }
    void ShowDone(int index) override {
        selection[static_cast<std::size_t>(index)] = false;
        done.push_back(index);
        busyColour = false;
    }
    void ShowIdle() override { busyColour = false; }

    QStringList files;
    std::vector<bool> selection;
    std::vector<int> busy;
    std::vector<int> done;
    QString status;
    bool busyColour = false;
};

// An engine whose "documents" are RTF files: opening and saving copy them.
class CopyingWordDocuments : public converter::WordDocuments {
public:
    explicit CopyingWordDocuments(int& quits) : m_quits(quits) {}
    bool saveAsRtf(const QString& document, const QString& rtfPath) override {
        QFile::remove(rtfPath);
        return QFile::copy(document, rtfPath);
    }
    bool saveAsWord(const QString& rtf, const QString& documentPath) override {
        QFile::remove(documentPath);
        return QFile::copy(rtf, documentPath);
    }
    void Quit() override { ++m_quits; }

private:
    int& m_quits;
};

class FakeWordService : public converter::WordService {
public:
    std::unique_ptr<converter::WordDocuments> create(converter::WordStartError& error) override {
        ++creates;
        error = failure;
        if (failure != converter::WordStartError::None) {
            return nullptr;
        }
        return std::make_unique<CopyingWordDocuments>(quits);
    }
    converter::WordStartError failure = converter::WordStartError::CannotCreate;
    int creates = 0;
    int quits = 0;
};

} // namespace zerva::test
