#pragma once

#include <string>

namespace quelvar::discovery {

// Name of a control pin by its index (0 to 11); "?" outside the table.
std::string PinName(int index);

// Bits per second for a baud-rate code (0 to 12); 0 outside the table.
int BaudRate(int code);

}  // namespace quelvar::discovery
