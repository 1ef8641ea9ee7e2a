#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "app/site_view.h"

namespace quelvar::testing {

// A Site window that keeps what its presenter showed it, and answers its
// boxes and dialogs from a script (OK and nothing, unless told). Its
// presenter calls it from the test's thread and from the run's, so every
// call holds a lock; hooks run outside it.
class RecordingSiteView : public app::SiteView {
  public:
    struct Box {
        app::MessageKind kind;
        std::string text;
    };

    app::SiteForm form() override {
        std::lock_guard lock(mutex_);
        return form_;
    }
    void setForm(const app::SiteForm& form) override {
        std::lock_guard lock(mutex_);
        form_ = form;
    }
    void showLines(const std::vector<app::SiteLine>& lines) override {
        std::lock_guard lock(mutex_);
        lines_ = lines;
    }
    void updateLines(const std::vector<std::pair<std::size_t, app::SiteLine>>& changed) override {
        {
            std::lock_guard lock(mutex_);
            for (const auto& [index, line] : changed) {
                if (index < lines_.size()) lines_[index] = line;
                if (line.look == app::LineLook::Running) ++runningSeen_;
            }
            ++updates_;
        }
        if (onUpdate) onUpdate(lines());
    }
    void showRecordColumns(const std::vector<std::string>& titles) override {
        std::lock_guard lock(mutex_);
        recordColumns_ = titles;
    }
    void showAudit(const std::string& text) override {
        std::lock_guard lock(mutex_);
        audit_ = text;
    }
    void setStatus(const std::string& text) override {
        std::lock_guard lock(mutex_);
        status_ = text;
    }
    void showNotes(const std::string& text) override {
        std::lock_guard lock(mutex_);
        notes_ = text;
    }
    void enable(app::SiteControl control, bool enabled) override {
        std::lock_guard lock(mutex_);
        enabled_[control] = enabled;
    }
    app::MessageAnswer messageBox(app::MessageKind kind, const std::string& text) override {
        std::lock_guard lock(mutex_);
        boxes_.push_back({kind, text});
        if (answers_.empty()) return app::MessageAnswer::Ok;
        const app::MessageAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    std::optional<std::filesystem::path> openFileDialog(const std::string&,
                                                        const std::vector<app::FileFilter>&,
                                                        const std::filesystem::path&) override {
        std::lock_guard lock(mutex_);
        return chosen;
    }
    std::optional<std::filesystem::path> saveFileDialog(const app::SaveDialogRequest&) override {
        std::lock_guard lock(mutex_);
        return chosen;
    }
    std::optional<std::filesystem::path> chooseFolder(const std::string&,
                                                      const std::filesystem::path&) override {
        std::lock_guard lock(mutex_);
        return chosen;
    }

    void answerNext(app::MessageAnswer answer) {
        std::lock_guard lock(mutex_);
        answers_.push_back(answer);
    }
    std::vector<app::SiteLine> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    std::vector<Box> boxes() const {
        std::lock_guard lock(mutex_);
        return boxes_;
    }
    std::string status() const {
        std::lock_guard lock(mutex_);
        return status_;
    }
    std::vector<std::string> recordColumns() const {
        std::lock_guard lock(mutex_);
        return recordColumns_;
    }
    std::string audit() const {
        std::lock_guard lock(mutex_);
        return audit_;
    }
    std::string notes() const {
        std::lock_guard lock(mutex_);
        return notes_;
    }
    bool enabled(app::SiteControl control) const {
        std::lock_guard lock(mutex_);
        const auto it = enabled_.find(control);
        return it != enabled_.end() && it->second;
    }
    int updates() const {
        std::lock_guard lock(mutex_);
        return updates_;
    }
    int runningSeen() const {
        std::lock_guard lock(mutex_);
        return runningSeen_;
    }

    // What every dialog chooses; nothing: the user cancels.
    std::optional<std::filesystem::path> chosen;
    // Called after lines changed, on the thread of the run, with the lines.
    std::function<void(const std::vector<app::SiteLine>&)> onUpdate;

  private:
    mutable std::mutex mutex_;
    app::SiteForm form_;
    std::vector<app::SiteLine> lines_;
    std::vector<std::string> recordColumns_;
    std::string status_, notes_, audit_;
    std::map<app::SiteControl, bool> enabled_;
    std::vector<Box> boxes_;
    std::deque<app::MessageAnswer> answers_;
    int updates_ = 0;
    int runningSeen_ = 0;
};

}  // namespace quelvar::testing
