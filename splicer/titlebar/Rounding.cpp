#include "titlebar/Rounding.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace titlebar {

namespace {

std::int32_t checked(double value) {
    if (!std::isfinite(value) || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        throw std::overflow_error("overflow");
    }
    return static_cast<std::int32_t>(value);
}

} // namespace

std::int32_t cint(double value) {
    double whole = std::floor(value);
    const double rest = value - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    return checked(whole);
}

std::int32_t fix(double value) {
    return checked(std::trunc(value));
}

} // namespace titlebar
