// The store and its double in memory answer alike: tests that run on the double learn what the
// program would get from the SQLite file.

#include "player/FakeSettings.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>

#include <memory>

#include <gtest/gtest.h>

namespace {

template <typename T> struct Made;
template <> struct Made<SettingsStore> {
    QTemporaryDir dir;
    SettingsStore settings{dir.filePath("settings.db")};
};
template <> struct Made<FakeSettings> {
    FakeSettings settings;
};

template <typename T> class SettingsAccessTest : public ::testing::Test {
protected:
    Made<T> made;
    SettingsAccess& s = made.settings;
};

using Kinds = ::testing::Types<SettingsStore, FakeSettings>;
TYPED_TEST_SUITE(SettingsAccessTest, Kinds);

TYPED_TEST(SettingsAccessTest, NamesMatchWithoutLetterCaseValuesKeepTheirs) {
    SettingsAccess& s = this->s;
    EXPECT_EQ(s.read("Tavrel", "/music/Song.mp3", "Speed", "<none>"), "<none>");
    ASSERT_TRUE(s.write("Tavrel", "/music/Song.mp3", "Speed", "85"));
    EXPECT_EQ(s.read("TAVREL", "/MUSIC/song.mp3", "speed", "<none>"), "85");
    ASSERT_TRUE(s.write("tavrel", "/music/SONG.mp3", "SPEED", "Ninety"));
    EXPECT_EQ(s.read("Tavrel", "/music/Song.mp3", "Speed", "<none>"), "Ninety");
    // A section is spelled as first written, once.
    EXPECT_EQ(s.sections("Tavrel"), QStringList{"/music/Song.mp3"});
    // Empty text is a value, not an absent key.
    ASSERT_TRUE(s.write("Tavrel", "Ärger", "Note_1", ""));
    EXPECT_EQ(s.read("Tavrel", "ärger", "Note_1", "<none>"), "");
    EXPECT_TRUE(s.sections("Other").isEmpty());
}

TYPED_TEST(SettingsAccessTest, SectionsInCreationOrderAndRemovedWithEveryKey) {
    SettingsAccess& s = this->s;
    ASSERT_TRUE(s.writeAll("Tavrel", {{"/b.mp3", "0", "12"},
                                      {"/a.mp3", "0", "5"},
                                      {"/b.mp3", "Fingerprint", "F1"},
                                      {"/c.mp3", "Fingerprint", "f1"}}));
    EXPECT_EQ(s.sections("Tavrel"), (QStringList{"/b.mp3", "/a.mp3", "/c.mp3"}));
    // The value's letter case counts.
    EXPECT_EQ(s.sectionsHolding("Tavrel", "fingerprint", "F1"), QStringList{"/b.mp3"});
    ASSERT_TRUE(s.removeSections("Tavrel", {"/B.MP3", "/nowhere.mp3"}));
    EXPECT_EQ(s.sections("Tavrel"), (QStringList{"/a.mp3", "/c.mp3"}));
    EXPECT_EQ(s.read("Tavrel", "/b.mp3", "0", "<none>"), "<none>");
    EXPECT_TRUE(s.sectionsHolding("Tavrel", "Fingerprint", "F1").isEmpty());
    EXPECT_EQ(s.read("Tavrel", "/a.mp3", "0", "<none>"), "5");
}

} // namespace
