#include "ui/console/session.h"

#include <ostream>

#include "app/strings.h"
#include "records/file_list.h"

namespace quelvar::ui::console {

using platform::ControlId;

Session::Session(ConsoleStreams& io, const Options& options, platform::Launcher& launcher,
                 platform::Language language, const std::filesystem::path& executablePath)
    : io_(io),
      options_(options),
      language_(language),
      launcher_(launcher),
      executablePath_(executablePath),
      view_(io.in, io.err, AnswerPolicy{options.yes, io.inputIsTerminal}, io.errorIsTerminal),
      dlg_(view_, launcher, language, executablePath) {
    dlg_.OnInitDialog();
    if (options.broadcast) dlg_.setSearchDestination(*options.broadcast);
    // On a console the natural place for setup record files is the current
    // folder, not the program's own.
    std::error_code error;
    std::filesystem::path current = std::filesystem::current_path(error);
    if (!error) {
        dlg_.setRecordFolder(records::WithTrailingSeparator(current.string()));
        dlg_.RefreshFileList(dlg_.recordFolder());
    }
}

app::Outcome Session::search() {
    app::Outcome outcome = dlg_.OnSearch();
    if (int beyond = dlg_.repliesBeyondTable(); beyond > 0) {
        view_.eraseProgress();
        io_.err << beyond << " more repl" << (beyond == 1 ? "y" : "ies") << " than the "
                << discovery::DeviceTable::kCapacity << " lines of the list: not listed\n";
    }
    return outcome;
}

void Session::selectDeviceLine(int row) {
    view_.setListSelection(ControlId::DeviceList, row);
    dlg_.OnNotify(ControlId::DeviceList, app::Notification::SelectionChanged);
}

app::Outcome Session::selectDevice(const DeviceSelector& selector) {
    int row = FindDevice(dlg_.deviceTable(), selector);
    if (row < 0 || row >= view_.listCount(ControlId::DeviceList)) {
        view_.eraseProgress();
        io_.err << "no module " << selector.text() << " among the modules found\n";
        return app::Failed(app::OutcomeKind::NotFound);
    }
    selectDeviceLine(row);
    return app::Succeeded();
}

app::Outcome Session::searchAndSelect(const DeviceSelector& selector) {
    app::Outcome searched = search();
    if (!searched.succeeded()) return searched;  // the search has already said why
    const bool tableFull = dlg_.deviceTable().count >= discovery::DeviceTable::kCapacity;
    if (tableFull && selector.kind == DeviceSelector::Kind::Address &&
        FindDevice(dlg_.deviceTable(), selector) < 0) {
        // The module may be among the replies the list had no room for: ask
        // it alone, as --broadcast ADDRESS does.
        const platform::Ipv4Octets everyone = dlg_.searchDestination();
        dlg_.setSearchDestination(selector.address);
        searched = search();
        dlg_.setSearchDestination(everyone);
        if (!searched.succeeded()) return searched;
    }
    return selectDevice(selector);
}

void Session::selectSetupRecordFile(const std::filesystem::path& file) {
    std::filesystem::path absolute = std::filesystem::absolute(file);
    std::string folder = records::WithTrailingSeparator(absolute.parent_path().string());
    std::string name = absolute.filename().string();
    dlg_.setRecordFolder(folder);
    dlg_.RefreshFileList(folder);

    int line = -1;
    int count = view_.listCount(ControlId::FileList);
    for (int i = 0; i < count && line < 0; ++i) {
        if (view_.listText(ControlId::FileList, i) == name) line = i;
    }
    if (line < 0) {
        view_.listAdd(ControlId::FileList, name);
        line = view_.listCount(ControlId::FileList) - 1;
    }
    view_.setListSelection(ControlId::FileList, line);
    dlg_.OnNotify(ControlId::FileList, app::Notification::SelectionChanged);
}

}  // namespace quelvar::ui::console
