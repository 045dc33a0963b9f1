// The formats Korvane knows, for the table in FormatTable.cpp.
#pragma once

#include <string_view>

#include "merge/format/WikiFormat.h"

namespace korvane {

// The early format names its lists with an empty name, so that a list nobody named is of it.
inline constexpr std::string_view kEarlyFormatName = "";

const WikiFormat& earlyFormat();
const WikiFormat& tw5Format();
const WikiFormat& encryptedFormat();

}  // namespace korvane
