#pragma once
// The analytics record of one event: 18 text fields joined by code 1.

#include <string>
#include <string_view>

// Builds the record of event name with its detail text: the local time, the device
// identifier (read anew), the fixed fields, the click identifier, the content of the file
// "vxbiID" in the current directory (as UTF-8, line ends and all; empty when the file is
// missing), the name and the detail.
std::u16string BuildEventRecord(std::u16string_view name, std::u16string_view detail);
