// Time of what opening a track adds for marks that follow moved files: the fingerprint of a
// large file, finding a fingerprint among thousands of stored tracks, and bringing the marks of
// a moved track over to its new path.

#include "models/MarkRepository.h"
#include "models/MovedTrackMarks.h"
#include "models/TrackFingerprint.h"
#include "settings/SettingsStore.h"

#include <QFile>
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
    std::printf("%-36s n=%zu  median %9.1f us  p95 %9.1f us  max %9.1f us\n", what, micros.size(),
                at(0.5), at(0.95), micros.back());
}

template <typename Op> double timed(Op&& op) {
    const auto start = Clock::now();
    op();
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

QString trackPath(int i) {
    return QStringLiteral("/home/ana/Rehearsal/Set %1/Track %2.mp3").arg(i / 100).arg(i % 100);
}

} // namespace

int main() {
    constexpr int tracks = 5000;
    constexpr qint64 bigFile = qint64(1) << 30;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }

    const QString big = dir.filePath("concert.wav");
    {
        QFile f(big);
        QByteArray block(1 << 20, 'x');
        if (!f.open(QIODevice::WriteOnly)) {
            return 1;
        }
        for (qint64 written = 0; written < bigFile; written += block.size()) {
            block[0] = char(written >> 20);
            f.write(block);
        }
    }
    std::vector<double> prints;
    for (int i = 0; i < 50; ++i) {
        prints.push_back(timed([&] { TrackFingerprint::of(big, 3600); }));
    }
    printFigures("fingerprint of a 1 GiB file (cached)", prints);

    SettingsStore store(dir.filePath("settings.db"));
    const QString app = QStringLiteral("Tavrel");
    for (int t = 0; t < tracks; t += 100) {
        std::vector<SettingsStore::Entry> entries;
        for (int i = t; i < t + 100; ++i) {
            for (int k = 0; k < 10; ++k) {
                entries.push_back({trackPath(i), QString::number(k), QString::number(i + k)});
                entries.push_back({trackPath(i), QStringLiteral("Note_%1").arg(k), "note"});
            }
            entries.push_back({trackPath(i), MarkRepository::kFingerprintKey,
                               QStringLiteral("1:%1:head:tail:180000").arg(i)});
        }
        store.writeAll(app, entries);
    }
    std::printf("store with %d tracks, %d values each\n", tracks, 21);

    std::vector<double> lookups;
    for (int i = 0; i < 1000; ++i) {
        const QString wanted = QStringLiteral("1:%1:head:tail:180000").arg(i * 7 % tracks);
        lookups.push_back(timed([&] { store.sectionsHolding(app, "Fingerprint", wanted); }));
    }
    printFigures("find a fingerprint", lookups);

    // The track that moved: its fingerprint is stored under an old path that no longer exists.
    MarkRepository repository(store);
    MovedTrackMarks moved(repository);
    const QString fingerprint = TrackFingerprint::of(big, 3600);
    store.write(app, "/gone/concert.wav", "0", "12.5");
    store.write(app, "/gone/concert.wav", MarkRepository::kFingerprintKey, fingerprint);
    const double bringOver = timed([&] { moved.follow(big, 3600); });
    std::printf("%-36s %9.1f us\n", "open a moved track (brings marks)", bringOver);
    std::vector<double> reopens;
    for (int i = 0; i < 100; ++i) {
        reopens.push_back(timed([&] { moved.follow(big, 3600); }));
    }
    printFigures("open a track that has its marks", reopens);
    return 0;
}
