#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quelvar::site {

// Replaces the file with the text at once (never half written); false when it could not.
bool ReplaceFileText(const std::filesystem::path& path, const std::string& text);

// A file that tells what became of a run's rows, kept true while the run
// goes: each row is written as it ends (the whole file replaced at once, at
// most a few times a second, and always at the end), so that a run that is
// killed leaves every row that had ended a moment before. Safe to use from
// every worker at once.
template <typename Row>
class RunningFile {
  public:
    // The file's text from the rows that have ended, in row order.
    using Render = std::function<std::string(const std::vector<Row>&)>;
    RunningFile(std::filesystem::path path, std::size_t rows, Render render)
        : path_(std::move(path)), render_(std::move(render)), rows_(rows) {}

    // A row that stands from the start, written with the first row that ends.
    void keep(std::size_t index, Row row) {
        std::lock_guard lock(mutex_);
        if (index < rows_.size()) rows_[index] = std::move(row);
    }
    // The row is written with the file at once, unless the file was written
    // less than a second ago: then by writeDue once that has passed.
    void record(std::size_t index, Row row) {
        std::lock_guard lock(mutex_);
        if (index < rows_.size()) rows_[index] = std::move(row);
        unwritten_ = true;
        writeDueLocked();
    }
    // Writes the rows recorded since the file was last written, once their
    // second is up; to be called a few times a second while rows run.
    void writeDue() {
        std::lock_guard lock(mutex_);
        writeDueLocked();
    }
    // Writes what it has now; false when the file could not be written, now or before.
    bool flush() {
        std::lock_guard lock(mutex_);
        return writeLocked() && !failed_;
    }
    std::vector<Row> rows() const {
        std::lock_guard lock(mutex_);
        return endedLocked();
    }

  private:
    // Rewriting the whole file after every one of a thousand rows would cost
    // more than the rows: at most this often, and once more at the end. The
    // rows of a site end within a second or two of each other, and a file of
    // a thousand rows rewritten four times a second took a fifth of a
    // backup's CPU (bench/backup); a killed run loses at most the last
    // second's rows from it, never a file they wrote.
    static constexpr std::chrono::milliseconds kInterval{1000};

    std::vector<Row> endedLocked() const {
        std::vector<Row> ended;
        for (const std::optional<Row>& row : rows_) {
            if (row) ended.push_back(*row);
        }
        return ended;
    }
    void writeDueLocked() {
        if (unwritten_ && std::chrono::steady_clock::now() - lastWrite_ >= kInterval) {
            writeLocked();
        }
    }
    bool writeLocked() {
        const std::string text = render_(endedLocked());
        lastWrite_ = std::chrono::steady_clock::now();
        unwritten_ = false;
        const bool written = ReplaceFileText(path_, text);
        failed_ = failed_ || !written;
        return written;
    }

    std::filesystem::path path_;
    Render render_;
    mutable std::mutex mutex_;
    std::vector<std::optional<Row>> rows_;
    std::chrono::steady_clock::time_point lastWrite_{};
    bool unwritten_ = false;  // rows recorded since the last write
    bool failed_ = false;
};

}  // namespace quelvar::site
