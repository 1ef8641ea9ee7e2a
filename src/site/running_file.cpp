#include "site/running_file.h"

#include <cstdint>
#include <span>

#include "records/rec_file.h"

namespace quelvar::site {

bool ReplaceFileText(const std::filesystem::path& path, const std::string& text) {
    return records::SaveFileReplacing(
               path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) ==
           records::SaveResult::Saved;
}

}  // namespace quelvar::site
