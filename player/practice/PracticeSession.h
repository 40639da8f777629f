#pragma once
// A practice session over the loop between marks: the speed and transposition remembered per
// track, a lead-in before each pass, a breath (a paused countdown) between passes, and a
// speed trainer that raises (or lowers) the speed by a step each pass until it reaches its
// target. The trainer's speeds are only heard: when it ends with the loop or is switched off,
// the track's own speed comes back (a speed set by hand ends it and becomes the track's own).
// Every setting is stored in the track's section beside its marks (through MarkRepository):
//   Speed, Transpose, LeadIn, Breath, Trainer (1 or 0), TrainerFrom, TrainerTo, TrainerStep.

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

class LoopBetweenMarks;
class MediaBackend;
class PlayerInterface;
class MarkRepository;
class PracticeTempo;

struct PracticeSettings {
    static constexpr int kMaxLeadIn = 10;
    static constexpr int kMaxBreath = 10;
    static constexpr int kMinTrainerStep = 5;
    static constexpr int kMaxTrainerStep = 50;

    int leadIn = 0; // whole seconds
    int breath = 0; // whole seconds
    bool trainer = false;
    int trainerFrom = 70; // percent
    int trainerTo = 100;
    int trainerStep = 5; // percent per pass

    // Held inside their ranges; trainer speeds on the speed steps.
    PracticeSettings held() const;
    bool operator==(const PracticeSettings&) const = default;
};

class PracticeSession : public QObject {
    Q_OBJECT
public:
    PracticeSession(PracticeTempo& tempo, LoopBetweenMarks& loop, PlayerInterface& player,
                    MarkRepository& repository, const std::vector<MediaBackend*>& backends,
                    QObject* parent = nullptr);

    const PracticeSettings& settings() const { return m_settings; }
    // Applies and stores the settings for the current track.
    void setSettings(const PracticeSettings& settings);

    // The track's stored speed, transposition and settings; defaults for a track never set.
    void restore();

    bool trainerRunning() const { return m_trainerPass > 0; }
    int pass() const { return m_pass; }
    bool breathing() const { return m_breathBackend != nullptr; }
    // Whole seconds of breath left, rounded up.
    int breathLeft() const;
    // "Pass 2 · 85%", "Breath 3 s", or empty.
    QString status() const;

    // Milliseconds of a monotonic clock; tests put their own.
    std::function<qint64()> clock;
    // Counts the breath down; run by a timer while breathing.
    void tick();
    static constexpr int kTickMs = 100;

signals:
    void settingsChanged();
    void statusChanged();

private:
    void tempoChanged();
    void loopChanged();
    void passStarted(MediaBackend* backend);
    // Stops the trainer; the speed it took over from comes back unless `keepSpeed`.
    void endTrainer(bool keepSpeed = false);
    void startTrainerAt(int pass);
    void endBreath();
    void applyTrainerSpeed();
    void store(const QList<QPair<QString, QString>>& values);
    QString read(const QString& key);

    PracticeTempo& m_tempo;
    LoopBetweenMarks& m_loop;
    PlayerInterface& m_player;
    MarkRepository& m_repository;
    PracticeSettings m_settings;
    bool m_applying = false;
    bool m_loopWasActive = false;
    // Passes of the running loop, from 1; 0 without a loop.
    int m_pass = 0;
    // The pass on which the trainer started, 0 when it does not run.
    int m_trainerPass = 0;
    // The track's own speed while the trainer runs.
    int m_ownSpeed = 0;
    MediaBackend* m_breathBackend = nullptr;
    qint64 m_breathStart = 0;
    QTimer m_breathTimer;
};
