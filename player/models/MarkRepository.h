#pragma once
// The one place that knows how a track's marks are stored: in the track's own section of the
// settings store (its full path), the position of mark i under key "i" ("0" to "9"; empty text
// for no mark), its note under "Note_i", and the fingerprint of the track's file. Whatever
// else the section holds is read and written here too, and the section is forgotten here.

#include "base/AppIdentity.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <array>

class SettingsAccess;

class MarkRepository {
public:
    static constexpr int kMarks = 10;
    static inline const QString kApp = AppIdentity::name();
    static inline const QString kFingerprintKey = QStringLiteral("Fingerprint");
    static QString positionKey(int index) { return QString::number(index); }
    static QString noteKey(int index) { return QStringLiteral("Note_%1").arg(index); }

    struct Stored {
        std::array<QString, kMarks> positions;
        std::array<QString, kMarks> notes;
    };

    explicit MarkRepository(SettingsAccess& settings);

    Stored read(const QString& track);
    // Each write is committed before it returns; false when nothing was stored (no track, or
    // the store refused it).
    bool writePosition(const QString& track, int index, const QString& position);
    bool writeNote(const QString& track, int index, const QString& note);
    // All positions and notes (and a fingerprint, when given) in one commit: the store then
    // holds all of them or none.
    bool writeAll(const QString& track, const Stored& marks, const QString& fingerprint = {});

    // A mark position that is set (not empty).
    bool hasMarks(const QString& track);
    // Any mark or note key ever written for the track, cleared ones included.
    bool everHadMarks(const QString& track);

    // The beat as the musician corrected it: a tapped tempo (0: the analysed one) and where a
    // bar starts (negative: not given), under "TappedTempo" and "BarStart".
    struct BeatCorrection {
        double bpm = 0;
        double barStart = -1;
        bool operator==(const BeatCorrection&) const = default;
    };
    static inline const QString kTappedTempoKey = QStringLiteral("TappedTempo");
    static inline const QString kBarStartKey = QStringLiteral("BarStart");
    BeatCorrection readBeat(const QString& track);
    bool writeBeat(const QString& track, const BeatCorrection& beat);

    QString fingerprint(const QString& track);
    bool setFingerprint(const QString& track, const QString& fingerprint);
    // The tracks whose stored fingerprint is this one.
    QStringList tracksWithFingerprint(const QString& fingerprint);

    // Other values the track's section keeps beside its marks (its practice settings): empty
    // text for a key never written; the writes in one commit, false when nothing was stored.
    using Values = QList<QPair<QString, QString>>;
    QString value(const QString& track, const QString& key);
    bool writeValues(const QString& track, const Values& values);

    // Every section of the store: the tracks', and the program's own.
    QStringList sections();
    // The tracks' sections go, with their marks, notes and everything else, in one commit.
    bool forgetTracks(const QStringList& tracks);

private:
    QString readKey(const QString& track, const QString& key, const QString& absent);
    bool write(const QString& track, const QString& key, const QString& value);

    SettingsAccess& m_settings;
};
