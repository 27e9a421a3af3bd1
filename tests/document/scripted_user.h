// A user for whole-flow tests: every message, question and dialog is recorded in order
// as one line of text, and every question is answered from a script set up in advance.
// A question the script has no answer for fails the test and is answered no / cancel.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/document_view.h"
#include "document/user_interface.h"
#include "platform/path.h"
#include "platform/text.h"

namespace quillory::testing {

inline std::string Utf8(WStringView text) {
    return platform::WideToUtf8(text);
}

class ScriptedUser final : public UserInterface {
public:
    // Answers, each used once, in order.
    std::deque<bool> yesNo;
    std::deque<std::optional<WString>> archivePaths;            // nothing: Cancel
    std::deque<std::optional<DestinationValues>> destinations;  // nothing: Cancel
    std::deque<std::optional<WString>> passwords;               // nothing: Cancel
    std::deque<std::optional<SettingsValues>> settings;         // nothing: Cancel
    // When set, Yes/No questions without a scripted answer get this one.
    std::optional<bool> defaultYesNo;
    // When set, password dialogs without a scripted answer are confirmed with this one.
    std::optional<WString> defaultPassword;

    // Answers to the overwrite questions, each used once; without one the question is
    // asked as a Yes/No question (the interface's default).
    std::deque<OverwriteAnswer> overwriteAnswers;
    std::vector<OverwriteQuestion> overwriteQuestions;
    // Failure messages shown before the question whether to go on quietly (0: never).
    int failureMessagesBeforeAsking = 0;
    // The summaries as shown, with their failed members.
    std::vector<RunReport> summaries;
    // The byte progress as reported: (done, total).
    std::vector<std::pair<std::uint64_t, std::uint64_t>> progressBytes;

    // Called with each member's name as the progress dialog gets it (a user who presses
    // Cancel meanwhile).
    std::function<void(WStringView)> onProgressName;

    // The unsafe-path questions as asked (their text is logged as a question too).
    std::vector<UnsafePathQuestion> unsafeQuestions;

    // Everything in order: "message: ...", "question: ... -> yes", "open: ...",
    // "destination: ...", "password: ...", "settings", "progress: N", "name bar: ...",
    // "repaint", "shell open: ...". Progress names and steps are counted apart.
    std::vector<std::string> log;
    std::vector<WString> messages;
    std::vector<WString> questions;
    // What the dialogs were shown with.
    std::vector<WString> openInitialFolders;
    std::vector<DestinationValues> destinationsShown;
    std::vector<SettingsValues> settingsShown;
    std::vector<WString> progressNames;
    int progressSteps = 0;
    std::vector<int> progressRanges;
    int progressOpen = 0;  // open dialogs right now
    WString nameBar;
    std::vector<WString> shellOpened;

    // The messages and questions in order, as UTF-8.
    std::vector<std::string> Talk() const {
        std::vector<std::string> talk;
        for (const std::string& line : log) {
            if (line.rfind("message: ", 0) == 0 || line.rfind("question: ", 0) == 0) {
                talk.push_back(line);
            }
        }
        return talk;
    }

    void ShowMessage(WStringView text) override {
        messages.emplace_back(text);
        log.push_back("message: " + Utf8(text));
    }

    bool AskUnsafePath(const UnsafePathQuestion& question) override {
        unsafeQuestions.push_back(question);
        return AskYesNo(QuestionText(question));
    }

    OverwriteAnswer AskOverwrite(const OverwriteQuestion& question) override {
        overwriteQuestions.push_back(question);
        if (overwriteAnswers.empty()) return UserInterface::AskOverwrite(question);
        const OverwriteAnswer answer = overwriteAnswers.front();
        overwriteAnswers.pop_front();
        log.push_back("question: " + Utf8(QuestionText(question)) + " -> " +
                      std::to_string(static_cast<int>(answer)));
        return answer;
    }
    int FailureMessagesBeforeAsking() const override { return failureMessagesBeforeAsking; }
    void ShowRunSummary(const RunReport& report) override {
        summaries.push_back(report);
        ShowMessage(report.text);
    }
    void SetProgressBytes(std::uint64_t done, std::uint64_t total) override {
        progressBytes.emplace_back(done, total);
    }

    bool AskYesNo(WStringView text) override {
        questions.emplace_back(text);
        bool answer = false;
        if (!yesNo.empty()) {
            answer = yesNo.front();
            yesNo.pop_front();
        } else if (defaultYesNo) {
            answer = *defaultYesNo;
        } else {
            ADD_FAILURE() << "unscripted question: " << Utf8(text);
        }
        log.push_back("question: " + Utf8(text) + (answer ? " -> yes" : " -> no"));
        return answer;
    }

    std::optional<WString> AskArchivePath(std::span<const texts::FileFilter> filters,
                                          WStringView initialFolder) override {
        EXPECT_EQ(filters.size(), std::size(texts::kArchiveFilters));
        openInitialFolders.emplace_back(initialFolder);
        std::optional<WString> answer = Take(archivePaths, "open dialog");
        log.push_back("open: " + Utf8(initialFolder) + " -> " +
                      (answer ? Utf8(*answer) : "cancel"));
        return answer;
    }

    bool AskDestination(DestinationValues* values) override {
        destinationsShown.push_back(*values);
        std::optional<DestinationValues> answer = Take(destinations, "destination dialog");
        log.push_back("destination: " + Utf8(values->folder) + (answer ? " -> ok" : " -> cancel"));
        if (!answer) return false;
        *values = *answer;
        return true;
    }

    std::optional<WString> AskPassword(WStringView memberName, bool wrongBefore) override {
        std::optional<WString> answer = passwords.empty() && defaultPassword
                                            ? defaultPassword
                                            : Take(passwords, "password dialog");
        log.push_back("password: " + Utf8(memberName) + (wrongBefore ? " (wrong before)" : "") +
                      (answer ? " -> ok" : " -> cancel"));
        return answer;
    }

    bool AskSettings(SettingsValues* values) override {
        settingsShown.push_back(*values);
        std::optional<SettingsValues> answer = Take(settings, "settings dialog");
        log.push_back(answer ? "settings -> ok" : "settings -> cancel");
        if (!answer) return false;
        *values = *answer;
        return true;
    }

    void OpenProgress(int count) override {
        EXPECT_EQ(progressOpen, 0) << "progress dialog opened twice";
        ++progressOpen;
        progressRanges.push_back(count);
        log.push_back("progress: " + std::to_string(count));
    }
    void SetProgressName(WStringView name) override {
        EXPECT_EQ(progressOpen, 1);
        progressNames.emplace_back(name);
        if (onProgressName) onProgressName(name);
    }
    void StepProgress() override {
        EXPECT_EQ(progressOpen, 1);
        ++progressSteps;
    }
    void CloseProgress() override {
        EXPECT_EQ(progressOpen, 1);
        --progressOpen;
        log.push_back("progress closed");
    }

    void SetArchiveName(WStringView path) override {
        nameBar = WString(path);
        log.push_back("name bar: " + Utf8(path));
    }
    void RepaintActiveView() override { log.push_back("repaint"); }
    void ShellOpen(WStringView path) override {
        shellOpened.emplace_back(path);
        log.push_back("shell open: " + Utf8(path));
    }

    // When set, files a run replaces are "moved to the Trash": renamed into this folder
    // (a program path) under their own names, and recorded.
    std::optional<WString> trashFolder;
    std::vector<WString> trashed;
    bool MoveToTrash(WStringView path) override {
        if (!trashFolder) return false;
        const WString name(path.substr(path.find_last_of(u"\\/") + 1));
        std::error_code error;
        std::filesystem::rename(platform::ToHostPath(path),
                                platform::ToHostPath(*trashFolder + u"\\" + name), error);
        if (error) return false;
        trashed.emplace_back(path);
        return true;
    }

private:
    template <class T>
    std::optional<T> Take(std::deque<std::optional<T>>& script, const char* what) {
        if (script.empty()) {
            ADD_FAILURE() << "unscripted " << what;
            return std::nullopt;
        }
        std::optional<T> answer = std::move(script.front());
        script.pop_front();
        return answer;
    }
};

// A view that counts its updates.
class CountingView final : public DocumentView {
public:
    int updates = 0;
    void OnUpdate() override { ++updates; }
};

}  // namespace quillory::testing
