#pragma once

#include <cstdint>

// The title bar's drawing arithmetic converts floats the way the rest of the splicer does:
// to the nearest integer with halves going to the even neighbour (12.5 -> 12, 13.5 -> 14),
// or by truncation toward zero. Values outside the 32-bit range are an overflow.
namespace titlebar {

std::int32_t cint(double value);
std::int32_t fix(double value);

} // namespace titlebar
