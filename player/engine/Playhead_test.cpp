// The playhead's rules without libmpv: events in the orders libmpv really delivers them
// (merged, missing, stale, early), commands in every phase, and the position it reports.

#include "engine/Playhead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using State = MediaBackend::State;
using Phase = Playhead::Phase;

struct FakeEngine : PlayheadEngine {
    void setPaused(bool p) override { calls.push_back(p ? "pause" : "resume"); }
    void seekExact(double s) override { calls.push_back("seek " + std::to_string(int(s * 10))); }
    void unload() override { calls.push_back("unload"); }
    void setLoopPoints(double, double) override { calls.push_back("loop"); }
    void clearLoopPoints() override { calls.push_back("noloop"); }
    double time() const override { return t; }
    std::vector<std::string> calls;
    double t = 0;
};

struct Rig {
    FakeEngine engine;
    Playhead head{engine};
    std::vector<State> states;
    std::vector<std::pair<double, double>> seeks;
    std::vector<double> lengths;
    std::vector<QString> failures;
    Rig() {
        head.notify.stateChanged = [this](State s) { states.push_back(s); };
        head.notify.seekCompleted = [this](double a, double b) { seeks.push_back({a, b}); };
        head.notify.lengthChanged = [this](double l) { lengths.push_back(l); };
        head.notify.failed = [this](const QString& r) { failures.push_back(r); };
    }
    void open(double length = 180) {
        head.load();
        head.fileLoaded(length);
        head.restarted(length);
    }
};

// One step of an opening: which event arrives, with what length.
enum class Ev { FileLoaded, Reported, Restarted };
struct Step {
    Ev event;
    double length;
};
struct OpeningCase {
    const char* name;
    std::vector<Step> steps;
    State state;
    double length;
};

class PlayheadOpening : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(PlayheadOpening, KnowsTheLengthWhenPlaybackStartsOrRefusesTheTrack) {
    const OpeningCase& c = GetParam();
    Rig r;
    r.open(240); // the track before
    r.head.load();
    EXPECT_EQ(r.head.length(), 0);
    for (const Step& s : c.steps) {
        switch (s.event) {
        case Ev::FileLoaded:
            r.head.fileLoaded(s.length);
            break;
        case Ev::Reported:
            r.head.lengthReported(s.length);
            break;
        case Ev::Restarted:
            r.head.restarted(s.length);
            break;
        }
    }
    EXPECT_EQ(r.head.state(), c.state);
    EXPECT_EQ(r.head.length(), c.length);
    if (c.state == State::Failed) {
        EXPECT_EQ(r.engine.calls.back(), "unload");
        ASSERT_EQ(r.failures.size(), 1u);
        EXPECT_EQ(r.failures[0], QStringLiteral("Its length cannot be read."));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Events, PlayheadOpening,
    ::testing::Values(
        OpeningCase{
            "LengthAtLoad", {{Ev::FileLoaded, 180}, {Ev::Restarted, 180}}, State::Playing, 180},
        // The same length as the track before: libmpv sends no change at all.
        OpeningCase{"NoReportSameLength",
                    {{Ev::FileLoaded, 240}, {Ev::Restarted, 240}},
                    State::Playing,
                    240},
        OpeningCase{
            "LengthOnlyAtStart", {{Ev::FileLoaded, 0}, {Ev::Restarted, 95}}, State::Playing, 95},
        OpeningCase{"StaleReportBeforeLoad",
                    {{Ev::Reported, 240}, {Ev::FileLoaded, 180}, {Ev::Restarted, 180}},
                    State::Playing,
                    180},
        // "Unavailable" from the change of track, merged in after the new length.
        OpeningCase{"StaleUnavailableAfterLoad",
                    {{Ev::FileLoaded, 180}, {Ev::Reported, 0}, {Ev::Restarted, 180}},
                    State::Playing,
                    180},
        OpeningCase{"OnlyReported",
                    {{Ev::FileLoaded, 0}, {Ev::Reported, 61}, {Ev::Restarted, 0}},
                    State::Playing,
                    61},
        OpeningCase{"RestartBeforeLoadIgnored", {{Ev::Restarted, 240}}, State::Opening, 0},
        OpeningCase{
            "NoLengthAnywhere", {{Ev::FileLoaded, 0}, {Ev::Restarted, 0}}, State::Failed, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Playhead, CommandsWhileOpeningApplyWhenTheTrackStarts) {
    struct Case {
        std::function<void(Playhead&)> command;
        State state;
        double position;
        const char* engineAfterStart;
    };
    const Case cases[] = {
        {[](Playhead& h) { h.pause(); }, State::Paused, 0, ""},
        {[](Playhead& h) { h.stop(); }, State::Stopped, 0, ""},
        {[](Playhead& h) { h.seek(30); }, State::Playing, 30, "seek 300"},
        {[](Playhead& h) { h.seek(-4); }, State::Playing, 0, "seek 0"},
        {[](Playhead& h) {
             h.seek(30);
             h.stop();
         },
         State::Stopped, 0, ""},
    };
    for (const Case& c : cases) {
        Rig r;
        r.head.load();
        c.command(r.head);
        EXPECT_EQ(r.head.state(), State::Opening);
        EXPECT_EQ(r.head.position(), c.position);
        r.engine.calls.clear();
        r.engine.t = 7; // the engine's reading right after starting is not trusted
        r.head.fileLoaded(120);
        r.head.restarted(120);
        EXPECT_EQ(r.head.state(), c.state);
        EXPECT_EQ(r.head.position(), c.position);
        const std::string expected = c.engineAfterStart;
        EXPECT_EQ(r.engine.calls.empty() ? "" : r.engine.calls.back(), expected);
        if (!expected.empty()) {
            r.head.restarted(120);
            ASSERT_EQ(r.seeks.size(), 1u);
            EXPECT_EQ(r.seeks[0].first, 0);
            EXPECT_EQ(r.seeks[0].second, c.position);
        }
    }
}

TEST(Playhead, EndOfFileEndsOnlyPlaybackThatIsPlaying) {
    Rig r;
    r.open();
    r.engine.t = 150;
    r.head.seek(179.9);
    r.head.endOfFileReached(); // the seek's own end of file, before it completed
    EXPECT_EQ(r.head.phase(), Phase::Seeking);
    r.head.restarted(180);
    r.engine.t = 179.95;
    r.head.endOfFileReached(); // early: the output still plays the last sound
    EXPECT_EQ(r.head.state(), State::Ended);
    EXPECT_EQ(r.head.position(), 179.95);
    r.head.fileEnded(false, "end");
    EXPECT_EQ(r.states.back(), State::Ended);
    EXPECT_EQ(std::count(r.states.begin(), r.states.end(), State::Ended), 1);

    // PLAY at the end starts again from 0, silently (no seek notification).
    r.head.play();
    EXPECT_EQ(r.head.state(), State::Playing);
    EXPECT_EQ(r.head.position(), 0);
    r.head.restarted(180);
    r.engine.t = -0.02;
    EXPECT_EQ(r.head.position(), 0);
    EXPECT_EQ(r.seeks.size(), 1u);

    Rig paused;
    paused.open();
    paused.engine.t = 12;
    paused.head.pause();
    paused.head.endOfFileReached();
    EXPECT_EQ(paused.head.state(), State::Paused);

    Rig opening;
    opening.head.load();
    opening.head.fileEnded(false, "nothing to play");
    EXPECT_EQ(opening.head.state(), State::Failed);
    EXPECT_EQ(opening.failures, std::vector<QString>{"nothing to play"});
}

TEST(Playhead, HeldPositionsWhilePausedSeekingAndStopped) {
    Rig r;
    r.open();
    r.engine.t = 42.5;
    r.head.pause();
    r.engine.t = 42.3; // drifts back by what the output had buffered
    EXPECT_EQ(r.head.position(), 42.5);
    r.head.seek(10);
    EXPECT_EQ(r.head.state(), State::Paused);
    EXPECT_EQ(r.head.phase(), Phase::Seeking);
    EXPECT_EQ(r.head.position(), 10);
    r.head.seek(20); // seeks in a row report where the first began
    r.head.restarted(180);
    EXPECT_EQ(r.seeks, (std::vector<std::pair<double, double>>{{42.5, 20}}));
    r.engine.t = 19.9;
    EXPECT_EQ(r.head.position(), 20);
    r.head.play();
    EXPECT_EQ(r.head.position(), 20); // never less than where it resumed
    r.engine.t = 20.3;
    EXPECT_EQ(r.head.position(), 20.3);

    r.head.stop();
    EXPECT_EQ(r.head.state(), State::Stopped);
    EXPECT_EQ(r.head.position(), 0);
    r.head.restarted(180);
    EXPECT_EQ(r.seeks.size(), 1u); // a stop is not a seek
    EXPECT_EQ(r.head.position(), 0);

    // Pausing during a seek lands paused at its target.
    r.head.play();
    r.head.seek(50);
    r.head.pause();
    r.head.restarted(180);
    EXPECT_EQ(r.head.state(), State::Paused);
    EXPECT_EQ(r.head.position(), 50);
}

TEST(Playhead, StateChangesAreAnnouncedOnceEach) {
    Rig r;
    r.open();
    r.head.play();
    r.head.play();
    r.head.seek(5);
    r.head.restarted(180);
    r.head.pause();
    r.head.pause();
    r.head.stop();
    r.head.stop();
    EXPECT_EQ(r.states,
              (std::vector<State>{State::Opening, State::Playing, State::Paused, State::Stopped}));
    r.head.load();
    r.head.fileLoaded(180);
    EXPECT_EQ(r.lengths, (std::vector<double>{180, 0, 180}));
}

TEST(Playhead, ALoopedPlayheadNeverReadsBeforeTheLoopStart) {
    Rig r;
    r.open();
    r.engine.t = 12;
    r.head.setLoop(10, 20);
    EXPECT_EQ(r.head.position(), 12);
    r.engine.t = 9.8; // turned back, the buffered end of the loop still sounding
    EXPECT_DOUBLE_EQ(r.head.position(), 19.8);
    r.engine.t = 10.1;
    EXPECT_EQ(r.head.position(), 10.1);
    r.head.clearLoop();
    r.engine.t = 9.8;
    EXPECT_EQ(r.head.position(), 9.8);

    // Set behind the playhead, the loop sends it back to its start.
    r.engine.t = 30;
    r.head.setLoop(10, 20);
    EXPECT_EQ(r.engine.calls.back(), "seek 100");
    EXPECT_EQ(r.head.position(), 10);
    r.head.load();
    EXPECT_FALSE(r.head.looping());
}

TEST(Playhead, FailedAndIdleIgnoreCommands) {
    Rig r;
    for (int i = 0; i < 2; ++i) {
        r.head.play();
        r.head.pause();
        r.head.stop();
        r.head.seek(4);
        r.head.setLoop(1, 2);
        EXPECT_EQ(r.head.position(), 0);
        EXPECT_TRUE(r.engine.calls.empty() || r.engine.calls.back() == "unload");
        r.head.load();
        r.head.openTimedOut("late");
        EXPECT_EQ(r.head.state(), State::Failed);
    }
    EXPECT_EQ(r.failures, (std::vector<QString>{"late", "late"}));
}

} // namespace
