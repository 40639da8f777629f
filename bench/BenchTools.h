#pragma once
// What the benchmarks share: waiting on the event loop for a condition, and printing the
// distribution of a set of samples.

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

// Processes events until `done` holds; false when `ms` pass first.
inline bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

inline void report(const char* what, std::vector<double> v, const char* unit) {
    if (v.empty()) {
        std::printf("%-44s no samples\n", what);
        return;
    }
    std::sort(v.begin(), v.end());
    auto at = [&](double q) {
        return v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
    };
    std::printf("%-44s n=%zu  min %.2f  median %.2f  p90 %.2f  max %.2f %s\n", what, v.size(),
                v.front(), at(0.5), at(0.9), v.back(), unit);
}

} // namespace bench
