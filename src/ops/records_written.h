#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "monitor/record_upload.h"
#include "ops/facts.h"
#include "records/rec_file.h"

namespace quelvar::ops {

// What a module may hold of a file after writes that stopped before its
// reset, over every try: the records any try saw confirmed and, unless the
// module refused it, the one under way when a try stopped, whose answer
// never came (it may even arrive after the tool hung up: what a closed
// connection still had on its way is delivered all the same). Never less
// than the module may hold.
class RecordsWritten {
  public:
    // One try's write of a file of `records` records.
    void add(const monitor::UploadResult& written, std::size_t records);
    // Some record command went out: the module may have changed.
    bool any() const { return any_; }
    // What the module may hold ("records 0, 2-5 of m.rec written and record
    // 6 may have been, not reset: apply the file again"); `records` is the
    // file's list.
    Fact fact(const std::vector<records::Record>& records, const std::string& file) const;

  private:
    std::set<std::size_t> confirmed_;  // places in the file's list of records
    std::set<std::size_t> mayHave_;
    bool any_ = false;
};

}  // namespace quelvar::ops
