// The mark model over a real settings store: a change takes effect only once stored, marks
// that were never set and marks that were cleared stay apart, and an undo puts back marks and
// notes in one commit.

#include "models/MarkModel.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>

#include <vector>

#include <gtest/gtest.h>

namespace {

struct Rig {
    QTemporaryDir dir;
    SettingsStore store{dir.filePath("settings.db")};
    MarkRepository repository{store};
    MarkModel model{repository};
    QString stored(const QString& track, const QString& key) {
        return store.read("Tavrel", track, key, "<none>");
    }
};

TEST(MarkModel, NothingChangesWithoutATrackToStoreIn) {
    Rig r;
    int changed = 0;
    QObject::connect(&r.model, &MarkModel::markChanged, [&] { ++changed; });
    EXPECT_FALSE(r.model.set(2, "83.5"));
    EXPECT_FALSE(r.model.setNote(2, "Bridge"));
    EXPECT_FALSE(r.model.isSet(2));
    EXPECT_EQ(r.model.note(2), QString());
    EXPECT_EQ(changed, 0);
    EXPECT_TRUE(r.store.sections("Tavrel").isEmpty());
}

TEST(MarkModel, LoadsSetNeverSetAndUnreadableMarksApart) {
    Rig r;
    const QString track = "/music/Song.mp3";
    r.store.write("Tavrel", track, "0", "83.5");
    r.store.write("Tavrel", track, "1", "");
    r.store.write("Tavrel", track, "2", "abc");
    r.store.write("Tavrel", track, "3", "12,25");
    r.store.write("Tavrel", track, "Note_1", "kept");
    r.model.load(track, 0);
    const struct {
        MarkModel::State state;
        const char* position;
        const char* note;
    } want[4] = {{MarkModel::State::Set, "83.5", ""},
                 {MarkModel::State::NeverSet, "0", "kept"},
                 {MarkModel::State::NeverSet, "0", ""},
                 {MarkModel::State::Set, "12,25", ""}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.model.state(i), want[i].state) << i;
        EXPECT_EQ(r.model.position(i), QString::fromLatin1(want[i].position)) << i;
        EXPECT_EQ(r.model.note(i), QString::fromLatin1(want[i].note)) << i;
    }
}

TEST(MarkModel, ClearingEmptiesThePositionAndTheNoteOnlyInTheModel) {
    Rig r;
    const QString track = "/music/Song.mp3";
    r.model.load(track, 0);
    ASSERT_TRUE(r.model.set(4, "120.25"));
    ASSERT_TRUE(r.model.setNote(4, "Solo"));
    EXPECT_EQ(r.stored(track, "4"), "120.25");
    EXPECT_TRUE(r.model.clear(4, true));
    EXPECT_EQ(r.model.state(4), MarkModel::State::Cleared);
    EXPECT_EQ(r.model.position(4), QString());
    EXPECT_EQ(r.model.note(4), QString());
    EXPECT_EQ(r.stored(track, "4"), QString());
    EXPECT_EQ(r.stored(track, "Note_4"), "Solo");
}

TEST(MarkModel, RestorePutsBackMarksAndNotesForItsTrackOnly) {
    Rig r;
    const QString track = "/music/Song.mp3";
    r.model.load(track, 0);
    r.model.set(0, "10");
    r.model.setNote(0, "Intro");
    MarkSnapshot before;
    before.track = track;
    for (int i = 0; i < 10; ++i) {
        before.marks[i] = {r.model.isSet(i), r.model.position(i), r.model.note(i), {}, {}};
    }
    r.model.clear(0, true);
    MarkSnapshot other = before;
    other.track = "/music/Other.mp3";
    EXPECT_FALSE(r.model.restore(other));
    EXPECT_FALSE(r.model.isSet(0));
    int reset = 0;
    QObject::connect(&r.model, &MarkModel::marksReset, [&] { ++reset; });
    EXPECT_TRUE(r.model.restore(before));
    EXPECT_EQ(reset, 1);
    EXPECT_TRUE(r.model.isSet(0));
    EXPECT_EQ(r.model.note(0), "Intro");
    EXPECT_EQ(r.stored(track, "0"), "10");
    EXPECT_EQ(r.stored(track, "1"), QString());
    EXPECT_EQ(r.stored(track, "Note_0"), "Intro");
}

TEST(MarkModel, ASnapshotKeepsWhereSetMarksStandOnTheStripAndPutsThemBack) {
    Rig r;
    const QString track = "/music/Song.mp3";
    r.model.load(track, 0);
    r.model.set(2, "83.5");
    r.model.setStripX(2, 1200);
    r.model.set(3, "9");
    r.model.setStripX(3, 1656);
    r.model.clear(3, false); // its line stays where it was, but it is no mark any more
    r.model.set(5, "4");     // set without a slot on the strip: laid out from its text
    r.model.setStripX(5, std::nullopt);
    const MarkSnapshot before = r.model.snapshot(track);
    EXPECT_EQ(before.marks[2].x, std::optional<int16_t>(1200));
    EXPECT_EQ(before.marks[3].x, std::nullopt);
    EXPECT_EQ(before.marks[5].x, std::nullopt);
    EXPECT_EQ(before.marks[0].x, std::nullopt);
    EXPECT_EQ(before.marks[3].position, QString());
    EXPECT_EQ(before.marks[4].position, "0");

    for (int i = 0; i < 10; ++i) {
        r.model.clear(i, true);
    }
    ASSERT_TRUE(r.model.restore(before));
    const MarkSnapshot after = r.model.snapshot(track);
    for (int i : {2, 3, 4, 5}) {
        EXPECT_EQ(after.marks[i].set, before.marks[i].set) << i;
        EXPECT_EQ(after.marks[i].position, before.marks[i].position) << i;
    }
    EXPECT_EQ(r.model.state(3), MarkModel::State::Cleared);
    EXPECT_EQ(r.model.state(4), MarkModel::State::NeverSet);
}

TEST(MarkModel, OnlyTheTenMarkButtonsTakeALookAndEachChangeIsToldOnce) {
    Rig r;
    std::vector<int> told;
    QObject::connect(&r.model, &MarkModel::lookChanged, [&](int b) { told.push_back(b); });
    r.model.setLook(4, MarkModel::Look::Set);
    r.model.setLook(4, MarkModel::Look::Set);
    r.model.setLook(4, MarkModel::Look::Current);
    r.model.setLook(9, MarkModel::Look::Current);
    // "?" and "Clear All": stepping to the next shown mark never lands on them.
    r.model.setLook(10, MarkModel::Look::Set);
    r.model.setLook(11, MarkModel::Look::Current);
    r.model.setLook(-1, MarkModel::Look::Set);
    EXPECT_EQ(told, (std::vector<int>{4, 4, 9}));
    EXPECT_EQ(r.model.look(4), MarkModel::Look::Current);
    EXPECT_EQ(r.model.look(10), MarkModel::Look::Plain);
    EXPECT_EQ(r.model.look(11), MarkModel::Look::Plain);
    // A track's marks loading or going leaves the looks to the commands that show them.
    r.model.load("/music/Song.mp3", 0);
    r.model.unload();
    EXPECT_EQ(r.model.look(9), MarkModel::Look::Current);
}

TEST(MarkRepository, TellsClearedMarksFromNeverStoredOnes) {
    Rig r;
    EXPECT_FALSE(r.repository.everHadMarks("/a.mp3"));
    r.repository.setFingerprint("/a.mp3", "f");
    EXPECT_FALSE(r.repository.everHadMarks("/a.mp3"));
    r.repository.writePosition("/a.mp3", 3, QString());
    EXPECT_TRUE(r.repository.everHadMarks("/a.mp3"));
    EXPECT_FALSE(r.repository.hasMarks("/a.mp3"));
    r.repository.writeNote("/b.mp3", 9, "-");
    EXPECT_TRUE(r.repository.everHadMarks("/b.mp3"));
}

} // namespace
