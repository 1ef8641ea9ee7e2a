#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/qt/dialogs.h"

namespace quelvar::testing {

// The window's dialogs with answers given in advance: a queued answer is
// taken and no window is shown, so a test can drive an operation that asks
// the user without anybody at the screen; with none queued the real dialog
// appears. Every box and dialog asked for is recorded either way.
class ScriptedDialogs : public ui::qt::Dialogs {
  public:
    struct Message {
        app::MessageKind kind;
        std::string text;
    };
    struct FolderRequest {
        std::string title;
        std::filesystem::path current;
    };
    struct OpenRequest {
        std::string title;
        std::vector<app::FileFilter> filters;
        std::filesystem::path initialFolder;
    };

    void setNextMessageAnswer(app::MessageAnswer answer) { messageAnswers_.push_back(answer); }
    // nullopt answers a cancel.
    void setNextSaveFile(std::optional<std::filesystem::path> path) {
        saveAnswers_.push_back(std::move(path));
    }
    void setNextFolder(std::optional<std::filesystem::path> path) {
        folderAnswers_.push_back(std::move(path));
    }
    void setNextOpenFile(std::optional<std::filesystem::path> path) {
        openAnswers_.push_back(std::move(path));
    }
    // Forgets pending answers and what was recorded.
    void reset() { *this = ScriptedDialogs(); }

    const std::vector<Message>& messages() const { return messages_; }
    const std::vector<app::SaveDialogRequest>& saveRequests() const { return saveRequests_; }
    const std::vector<FolderRequest>& folderRequests() const { return folderRequests_; }
    const std::vector<OpenRequest>& openRequests() const { return openRequests_; }

    app::MessageAnswer message(QWidget* owner, const QString& caption, app::MessageKind kind,
                               const std::string& text) override {
        messages_.push_back({kind, text});
        if (auto answer = takeFront(messageAnswers_)) return *answer;
        return Dialogs::message(owner, caption, kind, text);
    }
    std::optional<std::filesystem::path> saveFile(QWidget* owner,
                                                  const app::SaveDialogRequest& request) override {
        saveRequests_.push_back(request);
        if (auto answer = takeFront(saveAnswers_)) return *answer;
        return Dialogs::saveFile(owner, request);
    }
    std::optional<std::filesystem::path> folder(QWidget* owner, const std::string& title,
                                                const std::filesystem::path& current) override {
        folderRequests_.push_back({title, current});
        if (auto answer = takeFront(folderAnswers_)) return *answer;
        return Dialogs::folder(owner, title, current);
    }

    std::optional<std::filesystem::path> openFile(
        QWidget* owner, const std::string& title, const std::vector<app::FileFilter>& filters,
        const std::filesystem::path& initialFolder) override {
        openRequests_.push_back({title, filters, initialFolder});
        if (auto answer = takeFront(openAnswers_)) return *answer;
        return Dialogs::openFile(owner, title, filters, initialFolder);
    }

  private:
    template <typename T>
    static std::optional<T> takeFront(std::deque<T>& queue) {
        if (queue.empty()) return std::nullopt;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }

    std::deque<app::MessageAnswer> messageAnswers_;
    std::deque<std::optional<std::filesystem::path>> saveAnswers_;
    std::deque<std::optional<std::filesystem::path>> folderAnswers_;
    std::deque<std::optional<std::filesystem::path>> openAnswers_;
    std::vector<Message> messages_;
    std::vector<app::SaveDialogRequest> saveRequests_;
    std::vector<FolderRequest> folderRequests_;
    std::vector<OpenRequest> openRequests_;
};

}  // namespace quelvar::testing
