// Fakes for conversion runs: a file list with a selection and a status line, and Word
// engines that are missing or copy files as their conversions.
#pragma once

#include "converter/batch_driver.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
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

// An engine whose "documents" are RTF files: saving copies them. It counts its calls each way
// (each one a start of the real engine) and fails the documents whose input holds failOn.
class CopyingWordDocuments : public converter::WordDocuments {
public:
    struct Counts {
        int quits = 0;
        int rtfCalls = 0;
        int wordCalls = 0;
        std::vector<std::size_t> rtfJobs; // the jobs of each call
        std::vector<std::size_t> wordJobs;
        QStringList wordOutputs; // the file names asked of saveAsWord
    };
    CopyingWordDocuments(Counts& counts, QByteArray failRtfOn, QByteArray failWordOn)
        : m_counts(counts), m_failRtfOn(std::move(failRtfOn)), m_failWordOn(std::move(failWordOn)) {
    }
    std::vector<bool> saveAsRtf(const std::vector<converter::WordJob>& jobs) override {
        ++m_counts.rtfCalls;
        m_counts.rtfJobs.push_back(jobs.size());
        return copy(jobs, m_failRtfOn);
    }
    std::vector<bool> saveAsWord(const std::vector<converter::WordJob>& jobs) override {
        ++m_counts.wordCalls;
        m_counts.wordJobs.push_back(jobs.size());
        for (const converter::WordJob& job : jobs) {
            m_counts.wordOutputs << QFileInfo(job.output).fileName();
        }
        return copy(jobs, m_failWordOn);
    }
    void Quit() override { ++m_counts.quits; }

private:
    static std::vector<bool> copy(const std::vector<converter::WordJob>& jobs,
                                  const QByteArray& failOn) {
        std::vector<bool> done;
        for (const converter::WordJob& job : jobs) {
            QFile::remove(job.output);
            QFile in(job.input);
            const bool fails =
                !failOn.isEmpty() && in.open(QIODevice::ReadOnly) && in.readAll().contains(failOn);
            done.push_back(!fails && QFile::copy(job.input, job.output));
        }
        return done;
    }
    Counts& m_counts;
    QByteArray m_failRtfOn;
    QByteArray m_failWordOn;
};

class FakeWordService : public converter::WordService {
public:
    std::unique_ptr<converter::WordDocuments> create(converter::WordStartError& error) override {
        ++creates;
        error = failure;
        if (failure != converter::WordStartError::None) {
            return nullptr;
        }
        return std::make_unique<CopyingWordDocuments>(counts, failRtfOn, failWordOn);
    }
    converter::WordStartError failure = converter::WordStartError::CannotCreate;
    int creates = 0;
    CopyingWordDocuments::Counts counts;
    // Documents whose text holds these bytes fail to be saved as RTF, or as Word documents.
    QByteArray failRtfOn;
    QByteArray failWordOn;
};

} // namespace zerva::test
