#include "site/audit_reading.h"

#include <utility>

#include "ops/read_setup_records.h"
#include "ops/search.h"
#include "platform/utf8.h"
#include "records/record_compare.h"
#include "site/backup_run.h"
#include "site/run_preparation.h"
#include "site/user_file.h"

namespace quelvar::site {

namespace {

using K = ops::FactKind;

// The complete records of a file's bytes; nullopt with why, naming it, when cut.
std::optional<records::FileContents> contentsOf(const std::string& name,
                                                const std::vector<std::uint8_t>& bytes,
                                                ops::Reason& why) {
    records::FileContents contents = records::ReadFileContents(bytes);
    switch (contents.end) {
        case records::FileContents::End::Whole:
            return contents;
        case records::FileContents::End::InHeader:
            why = {{K::RecordFileHeaderCut, {name}}};
            break;
        case records::FileContents::End::InRecord:
            why = {{K::RecordFileRecordCut, {name, std::to_string(bytes[contents.cutAt]),
                                             std::to_string(contents.cutAt)}}};
            break;
    }
    return std::nullopt;
}

}  // namespace

std::optional<RecordFile> ReadRecordFile(const std::string& name, ops::Reason& why) {
    ops::Fact error;
    const std::optional<std::string> text = ReadUserFile(name, kMaxRecordFileBytes, error);
    if (!text) {
        why = {std::move(error)};
        return std::nullopt;
    }
    RecordFile file;
    file.bytes.assign(text->begin(), text->end());
    std::optional<records::FileContents> contents = contentsOf(name, file.bytes, why);
    if (!contents) return std::nullopt;
    file.contents = std::move(*contents);
    return file;
}

std::optional<std::vector<DeviceSelector>> ModulesOfSheet(const std::string& sheet,
                                                          ops::Reason& why) {
    std::vector<ops::Reason> badRows;
    const std::shared_ptr<const CommissionSheet> read = ReadSheetFile(sheet, why, badRows);
    if (!why.empty()) {
        if (!badRows.empty()) why.push_back(badRows.front().back());  // the first, as an example
        return std::nullopt;
    }
    std::vector<DeviceSelector> modules;
    for (const SheetRow& row : read->rows) {
        DeviceSelector selector;
        selector.kind = DeviceSelector::Kind::Mac;
        selector.mac = row.mac;
        modules.push_back(selector);
    }
    return modules;
}

std::optional<std::vector<AuditedSource>> ReadBackupForAudit(const std::string& folder,
                                                             ops::Reason& why) {
    const std::filesystem::path path = platform::pathFromUtf8(folder);
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) {
        why = {{K::NotABackupFolder, {folder}}};
        return std::nullopt;
    }
    const std::string name = platform::utf8Of(path / kManifestName);
    ops::Fact problem;
    std::optional<std::vector<BackupEntry>> manifest;
    if (std::optional<std::string> text = ReadUserFile(name, kMaxManifestBytes, problem)) {
        manifest = ParseManifest(*text, problem);
        if (!manifest) why = InFile(name, problem);
    } else {
        why = {problem};
    }
    if (!manifest) {
        why.insert(why.begin(), ops::Fact{K::NotABackup, {folder}});
        return std::nullopt;
    }
    std::vector<AuditedSource> sources;
    for (const BackupEntry& entry : *manifest) {
        AuditedSource source;
        source.mac = discovery::FormatMac(entry.mac);
        source.address = entry.address;
        RestoreFile checked = CheckRestoreFile(path, entry);
        if (!checked.problem.empty()) {
            source.reason = std::move(checked.problem);
        } else if (std::optional<records::FileContents> contents =
                       contentsOf(entry.file, checked.bytes, source.reason)) {
            source.records = std::move(contents->records);
        }
        sources.push_back(std::move(source));
    }
    return sources;
}

std::vector<AuditedSource> ReadModulesForAudit(
    const std::vector<DeviceSelector>& named, const RunOptions& options, RunEvents& events,
    const std::function<void(const AuditedSource&)>& read) {
    discovery::SearchScope scope = options.search;
    for (const DeviceSelector& selector : named) {
        if (selector.kind == DeviceSelector::Kind::Mac) scope.wanted.push_back(selector.mac);
    }
    const discovery::SearchResult searched = ops::Search(scope, events.runEvents()).result;
    events.searched(searched);
    const ops::Retries retries = ops::AfterSearch(options.retries, searched);
    const std::vector<std::optional<discovery::DeviceEntry>> modules =
        ModulesOfRun(named, searched, options);

    std::vector<AuditedSource> sources(modules.size());
    std::vector<std::size_t> toRead;
    for (std::size_t i = 0; i < modules.size(); ++i) {
        AuditedSource& source = sources[i];
        if (!modules[i]) {
            source.mac = named[i].text();
            source.found = false;
            source.reason = {{K::NotFound, {}}};
            continue;
        }
        source.mac = discovery::FormatMac(modules[i]->mac);
        source.address = modules[i]->ipText;
        toRead.push_back(i);
    }

    SiteRows rows;
    rows.count = toRead.size();
    rows.names = [&](std::size_t n) {
        return RowNames{sources[toRead[n]].mac, 0, sources[toRead[n]].address, false};
    };
    rows.logName = [&](std::size_t n) { return ModuleLogName(modules[toRead[n]]->mac); };
    // Each row writes only its own source: rows run on threads of their own.
    rows.body = [&](std::size_t n, ops::Events& rowEvents) {
        AuditedSource& source = sources[toRead[n]];
        rowEvents.step("read");
        RowResult result;
        result.steps = {"read"};
        result.before = result.after = source.address;
        ops::ReadResult answer = ops::ReadSetupRecords(*modules[toRead[n]], retries, rowEvents);
        std::optional<std::vector<records::Record>> list;
        if (answer.outcome.succeeded()) list = records::RecordsOfImage(answer.image.bytes());
        if (list) {
            source.records = std::move(list);
            result.state = RowState::Passed;
            result.reason = {{K::AuditRead, {}}};
        } else {
            source.reason = {answer.outcome.succeeded() ? ops::Fact{K::RecordsNotAFile, {}}
                                                      : ops::FactOf(answer.outcome)};
            result.state = RowState::Failed;
            result.reason = source.reason;
        }
        if (read) read(source);
        return result;
    };
    const std::vector<RowResult> results = RunSiteRows(rows, options, events);
    for (std::size_t n = 0; n < toRead.size(); ++n) {
        AuditedSource& source = sources[toRead[n]];
        if (results[n].state == RowState::NotStarted || (!source.records && source.reason.empty())) {
            source.records.reset();
            source.reason = results[n].reason;
        }
    }
    return sources;
}

}  // namespace quelvar::site
