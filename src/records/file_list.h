#pragma once

#include <string>
#include <vector>

namespace quelvar::records {

// Names of the folder's entries that end in ".rec" in any case, in the order
// the directory gives them. Sub-folders so named are included. A missing or
// unreadable folder gives an empty list.
std::vector<std::string> ListSetupRecordFiles(const std::string& folder);

// True when a name ends in ".rec", ignoring case.
bool HasRecExtension(const std::string& name);

// A folder text ending in exactly one path separator.
std::string WithTrailingSeparator(std::string folder);

}  // namespace quelvar::records
