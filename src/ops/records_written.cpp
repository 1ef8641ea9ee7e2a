#include "ops/records_written.h"

#include <iterator>

namespace quelvar::ops {

namespace {

// "0, 2-5, 7": the numbers of the records at these places of the file, in
// file order, runs of consecutive numbers joined.
std::string numberList(const std::vector<records::Record>& records,
                       const std::set<std::size_t>& places) {
    std::string text;
    for (auto place = places.begin(); place != places.end();) {
        auto last = place;
        for (auto next = std::next(last); next != places.end() && *next == *last + 1 &&
                                          records[*next].number == records[*last].number + 1;
             next = std::next(last)) {
            last = next;
        }
        if (!text.empty()) text += ", ";
        text += std::to_string(records[*place].number);
        if (last != place) text += "-" + std::to_string(records[*last].number);
        place = std::next(last);
    }
    return text;
}

}  // namespace

void RecordsWritten::add(const monitor::UploadResult& written, std::size_t records) {
    for (std::size_t place = 0; place < written.taken; ++place) confirmed_.insert(place);
    const bool underWay = written.outcome != monitor::UploadOutcome::Complete &&
                          written.outcome != monitor::UploadOutcome::RecordRefused &&
                          written.taken < records;
    if (written.anySent && underWay) mayHave_.insert(written.taken);
    any_ = any_ || written.anySent;
}

Fact RecordsWritten::fact(const std::vector<records::Record>& records,
                          const std::string& file) const {
    std::set<std::size_t> maybe;
    for (std::size_t place : mayHave_) {
        if (!confirmed_.contains(place)) maybe.insert(place);
    }
    return {FactKind::RecordsHeld,
            {numberList(records, confirmed_), numberList(records, maybe), file}};
}

}  // namespace quelvar::ops
