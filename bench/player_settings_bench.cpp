// Time of one settings write (committed to disk) and one read, as the player does them when a
// mark is set and when a track is opened.

#include "settings/SettingsStore.h"

#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void printFigures(const char* what, std::vector<double> micros) {
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) { return micros[size_t(q * double(micros.size() - 1))]; };
    std::printf("%-28s n=%zu  median %8.1f us  p95 %8.1f us  max %8.1f us\n", what, micros.size(),
                at(0.5), at(0.95), micros.back());
}

template <typename Op> double timed(Op&& op) {
    const auto start = Clock::now();
    op();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

} // namespace

int main() {
    constexpr int count = 1000;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    SettingsStore store(dir.filePath("settings.db"));
    const QString app = QStringLiteral("Tavrel");
    const auto section = [](int i) {
        return QStringLiteral("/home/ana/Rehearsal/Set %1/Track %2.mp3")
            .arg(i / 100)
            .arg(i / 10 % 10);
    };

    std::printf("settings store: %s (WAL, synchronous=FULL)\n", qPrintable(store.filePath()));
    const double open = timed([&] { store.read(app, "system", "LastFile", QString()); });
    std::printf("%-28s %8.1f us\n", "first use (creates file)", open);

    std::vector<double> writes;
    std::vector<double> reads;
    writes.reserve(count);
    reads.reserve(count);
    bool allWritten = true;
    for (int i = 0; i < count; ++i) {
        writes.push_back(timed([&] {
            allWritten &=
                store.write(app, section(i), QString::number(i % 10), QString::number(i * 1.25));
        }));
    }
    for (int i = 0; i < count; ++i) {
        reads.push_back(
            timed([&] { store.read(app, section(i), QString::number(i % 10), QString()); }));
    }
    printFigures("write (committed)", writes);
    printFigures("read", reads);
    return allWritten ? 0 : 1;
}
