#include "settings/cRegistry.h"

#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

const QString none = QStringLiteral("<none>");
const QString track = QStringLiteral(R"(C:\My Music\Band Practice\Song 01.mp3)");

class cRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SettingsStore::setProblemHandler([this](const QString& m) { messages.append(m); });
    }
    void TearDown() override {
        SettingsStore::setProblemHandler(nullptr);
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    }

    void address(const QString& app, const QString& section, const QString& key,
                 const QString& fallback = QString()) {
        reg.setAppName(app);
        reg.setSection(section);
        reg.setKey(key);
        reg.setDefault(fallback);
    }

    QTemporaryDir dir;
    SettingsStore store{dir.filePath("settings.db")};
    cRegistry reg{store};
    QStringList messages;
};

TEST_F(cRegistryTest, StartsWithEveryFieldEmpty) {
    EXPECT_EQ(reg.AppName(), QString());
    EXPECT_EQ(reg.Section(), QString());
    EXPECT_EQ(reg.Key(), QString());
    EXPECT_EQ(reg.Default(), QString());
    EXPECT_EQ(reg.Setting(), QString());
}

TEST_F(cRegistryTest, IncompleteAddressReadsEmptyAndDropsWrites) {
    ASSERT_TRUE(store.write("Tavrel", "system", "LastFile", "stored"));
    struct Case {
        QString app, section, key;
    };
    const Case cases[] = {
        {"", "system", "LastFile"},
        {"Tavrel", "", "LastFile"},
        {"Tavrel", "system", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.app + "/" + c.section + "/" + c.key).toStdString());
        address(c.app, c.section, c.key, "the default");
        EXPECT_EQ(reg.Setting(), QString());
        reg.setSetting("dropped");
        EXPECT_EQ(reg.AppName(), c.app);
        EXPECT_EQ(reg.Key(), c.key);
    }
    EXPECT_EQ(store.read("Tavrel", "system", "LastFile", none), "stored");
    EXPECT_EQ(store.read("Tavrel", "system", "", none), none);
    EXPECT_EQ(store.sections("Tavrel"), QStringList{"system"});
    EXPECT_TRUE(store.sections("").isEmpty());
}

TEST_F(cRegistryTest, MissingValueYieldsTheDefaultWithoutWritingIt) {
    address("Tavrel", track, "3");
    EXPECT_EQ(reg.Setting(), QString());
    reg.setDefault("0");
    EXPECT_EQ(reg.Setting(), "0");
    EXPECT_EQ(reg.NamedSetting("Note_3"), "0");
    EXPECT_TRUE(store.sections("Tavrel").isEmpty());
}

TEST_F(cRegistryTest, ValueStoredAsEmptyTextReadsBackEmpty) {
    address("Tavrel", track, "Note_1", "the default");
    reg.setSetting(QString());
    EXPECT_EQ(reg.Setting(), QString());
    EXPECT_EQ(reg.NamedSetting("NOTE_1"), QString());
}

TEST_F(cRegistryTest, SettingAndNamedSettingMeetAcrossLetterCase) {
    address("Tavrel", track, "LastFile");
    reg.setSetting("12.5");
    reg.setAppName("TAVREL");
    reg.setSection(track.toUpper());
    EXPECT_EQ(reg.NamedSetting("lastfile"), "12.5");

    reg.setNamedSetting("Étude", "Chorus");
    reg.setKey("éTUDE");
    EXPECT_EQ(reg.Setting(), "Chorus");
    EXPECT_EQ(store.read("tavrel", track, "ÉTUDE", none), "Chorus");
}

TEST_F(cRegistryTest, NamedSettingLeavesTheKeyFieldAlone) {
    address("Tavrel", track, "LastFile");
    reg.setNamedSetting("3", "42");
    EXPECT_EQ(reg.NamedSetting("3"), "42");
    EXPECT_EQ(reg.Key(), "LastFile");
    EXPECT_EQ(reg.Setting(), QString());
}

TEST_F(cRegistryTest, NamedSettingNeedsOnlyApplicationAndSection) {
    address("Tavrel", track, "");
    reg.setNamedSetting("0", "1.25");
    EXPECT_EQ(reg.NamedSetting("0"), "1.25");
    // The key argument is not checked: an empty one is a name like any other.
    reg.setNamedSetting("", "empty key");
    EXPECT_EQ(reg.NamedSetting(""), "empty key");
    EXPECT_EQ(store.read("Tavrel", track, "", none), "empty key");

    for (const auto& [app, section] : {std::pair<QString, QString>{"", track}, {"Tavrel", ""}}) {
        address(app, section, "", "fallback");
        reg.setNamedSetting("0", "dropped");
        EXPECT_EQ(reg.NamedSetting("0"), QString());
    }
    EXPECT_EQ(store.read("Tavrel", track, "0", none), "1.25");
}

TEST_F(cRegistryTest, TrackPathSectionIsNotSeenFromItsFolder) {
    address("Tavrel", track, "0");
    reg.setSetting("61.3");
    reg.setSection(R"(C:\My Music\Band Practice)");
    EXPECT_EQ(reg.Setting(), QString());
    reg.setSection(R"(c:\my music\band practice\song 01.MP3)");
    EXPECT_EQ(reg.Setting(), "61.3");
}

TEST_F(cRegistryTest, JointWriteGoesToTheAddressedSectionOnly) {
    address("Tavrel", track, "Key stays", "fallback");
    reg.setSetting("current");
    ASSERT_TRUE(reg.setNamedSettings({{"0", "12.5"}, {"Note_0", "Intro"}, {"1", ""}}));
    EXPECT_EQ(store.read("Tavrel", track, "0", none), "12.5");
    EXPECT_EQ(store.read("Tavrel", track, "Note_0", none), "Intro");
    EXPECT_EQ(store.read("Tavrel", track, "1", none), QString());
    EXPECT_EQ(reg.Key(), "Key stays");
    EXPECT_EQ(reg.Setting(), "current");
    EXPECT_EQ(reg.SectionsHolding("note_0", "Intro"), QStringList{track});

    for (const auto& [app, section] : {std::pair<QString, QString>{"", track}, {"Tavrel", ""}}) {
        address(app, section, "0");
        EXPECT_FALSE(reg.setNamedSettings({{"0", "dropped"}}));
    }
    EXPECT_EQ(store.read("Tavrel", track, "0", none), "12.5");
    reg.setAppName("");
    EXPECT_EQ(reg.SectionsHolding("Note_0", "Intro"), QStringList());
}

TEST(cRegistryOverTheUsersStore, WritesToTheConfigFolderAndReadsWhatTheFileHolds) {
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    SettingsStore users(SettingsStore::defaultFilePath());
    cRegistry reg(users);
    EXPECT_EQ(users.filePath(), config.filePath("Tavrel/settings.db"));
    reg.setAppName("Tavrel");
    reg.setSection("system");
    reg.setKey("LastFile");
    reg.setSetting(track);
    EXPECT_EQ(SettingsStore(config.filePath("Tavrel/settings.db"))
                  .read("Tavrel", "system", "LastFile", none),
              track);
    // The value it reads is the one in the file, not one it kept.
    SettingsStore(config.filePath("Tavrel/settings.db")).write("Tavrel", "system", "LastFile", "x");
    EXPECT_EQ(reg.Setting(), QStringLiteral("x"));
}

} // namespace
