#include "mpris/MprisService.h"

#include "player/FakePlayer.h"

#include <QCoreApplication>
#include <QVariant>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

constexpr qlonglong kSecond = 1000000;

struct Rig {
    FakePlayer player;
    MprisService service{player};
    MprisPlayerAdaptor& bus = *service.findChild<MprisPlayerAdaptor*>();
    std::vector<QVariantMap> announced;
    std::vector<qlonglong> seeked;

    Rig() {
        QObject::connect(&service, &MprisService::propertiesChanged,
                         [this](const QVariantMap& m) { announced.push_back(m); });
        QObject::connect(&bus, &MprisPlayerAdaptor::Seeked,
                         [this](qlonglong at) { seeked.push_back(at); });
    }
    QString trackId() const {
        return service.metadata().value("mpris:trackid").value<QDBusObjectPath>().path();
    }
};

TEST(MprisService, SeekAndSetPositionStayWithinTheCurrentTrack) {
    struct Case {
        const char* what;
        double at;
        std::function<void(Rig&)> call;
        std::vector<double> expected;
    };
    const Case cases[] = {
        {"seek ahead", 10, [](Rig& r) { r.bus.Seek(5 * kSecond); }, {15}},
        {"seek back before the start stops at 0", 3, [](Rig& r) { r.bus.Seek(-5 * kSecond); }, {0}},
        {"seek past the end stops at the end", 58, [](Rig& r) { r.bus.Seek(10 * kSecond); }, {60}},
        {"set the position of the current track",
         10,
         [](Rig& r) { r.bus.SetPosition(QDBusObjectPath(r.trackId()), 42 * kSecond); },
         {42}},
        {"set the position of the track before: ignored",
         10,
         [](Rig& r) {
             const QString before = r.trackId();
             r.player.openNow("/music/take.mp3", 60);
             r.bus.SetPosition(QDBusObjectPath(before), 42 * kSecond);
         },
         {}},
        {"set a position past the end: ignored",
         10,
         [](Rig& r) { r.bus.SetPosition(QDBusObjectPath(r.trackId()), 61 * kSecond); },
         {}},
        {"set a negative position: ignored",
         10,
         [](Rig& r) { r.bus.SetPosition(QDBusObjectPath(r.trackId()), -1); },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Rig r;
        r.player.openNow("/music/take.mp3", 60);
        r.player.at = c.at;
        EXPECT_TRUE(r.bus.canSeek());
        c.call(r);
        EXPECT_EQ(r.player.positions, c.expected);
    }
}

TEST(MprisService, WithoutATrackNothingSeeksAndTheTrackIsNone) {
    Rig r;
    EXPECT_FALSE(r.bus.canSeek());
    r.bus.Seek(5 * kSecond);
    r.bus.SetPosition(QDBusObjectPath(MprisService::kNoTrack), 0);
    EXPECT_TRUE(r.player.positions.empty());
    EXPECT_TRUE(r.service.metadata().isEmpty());
    EXPECT_EQ(r.service.trackId().path(), MprisService::kNoTrack);
}

TEST(MprisService, EveryJumpOfThePlayerIsSentAsSeeked) {
    Rig r;
    r.player.openNow("/music/take.mp3", 60);
    emit r.player.seeked(12.5);
    emit r.player.seeked(0);
    EXPECT_EQ(r.seeked, (std::vector<qlonglong>{12500000, 0}));
}

TEST(MprisService, RateAndVolumeWritesReachThePlayer) {
    Rig r;
    r.player.openNow("/music/take.wav", 60);
    r.bus.setProperty("Rate", 0.73);
    r.bus.setProperty("Rate", 3.0);
    r.bus.setProperty("Rate", std::nan(""));
    // A rate of 0 is how a desktop asks for a pause.
    r.bus.setProperty("Rate", 0.0);
    EXPECT_EQ(r.player.rates, (std::vector<double>{0.73, 3.0}));
    EXPECT_EQ(r.player.commands, QStringList{"pause"});

    r.bus.setProperty("Volume", 0.4);
    r.bus.setProperty("Volume", 1.7);
    r.bus.setProperty("Volume", -0.2);
    EXPECT_EQ(r.player.volumes, (std::vector<double>{0.4, 1.0, 0.0}));
}

TEST(MprisService, LoopStatusFollowsAndStartsTheLoopBetweenMarks) {
    Rig r;
    r.player.openNow("/music/take.wav", 60);
    EXPECT_EQ(r.bus.property("LoopStatus").toString(), "None");
    for (const char* status : {"Track", "None", "Playlist", "Shuffle", ""}) {
        r.bus.setProperty("LoopStatus", QString::fromLatin1(status));
    }
    EXPECT_EQ(r.player.loopings, (std::vector<bool>{true, false, true}));
    r.player.loopOn = true;
    EXPECT_EQ(r.bus.property("LoopStatus").toString(), "Track");
}

TEST(MprisService, OpenUriTakesLocalFilesOnly) {
    struct Case {
        const char* uri;
        const char* opens; // null: refused
    };
    const Case cases[] = {
        {"file:///music/take%201.mp3", "/music/take 1.mp3"},
        {"file://localhost/music/take.wav", "/music/take.wav"},
        {"FILE:///music/take.wav", "/music/take.wav"},
        {"file:///music/%C3%A9tude.wav", "/music/\u00e9tude.wav"},
        {"http://example.org/take.mp3", nullptr},
        {"file://otherhost/music/take.wav", nullptr},
        {"file://", nullptr},
        {"/music/take.wav", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uri);
        Rig r;
        const QString refusal = r.service.openUri(QString::fromUtf8(c.uri));
        if (c.opens) {
            EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
            EXPECT_EQ(r.player.opened, QStringList{QString::fromUtf8(c.opens)});
        } else {
            EXPECT_FALSE(refusal.isEmpty());
            EXPECT_TRUE(r.player.opened.isEmpty());
        }
    }
}

TEST(MprisService, MetadataNamesEachOpenAndUsesTheFilesTags) {
    Rig r;
    r.player.openNow("/music/Take 3.mp3", 61.5,
                     {{"title", "Blue Hour"}, {"artist", "The Quartet"}, {"album", "Live"}});
    QVariantMap m = r.service.metadata();
    EXPECT_EQ(m.value("xesam:title").toString(), "Blue Hour");
    EXPECT_EQ(m.value("xesam:artist").toStringList(), QStringList{"The Quartet"});
    EXPECT_EQ(m.value("xesam:album").toString(), "Live");
    EXPECT_EQ(m.value("xesam:url").toString(), "file:///music/Take%203.mp3");
    EXPECT_EQ(m.value("mpris:length").toLongLong(), 61500000);
    const QString first = r.trackId();

    // The same file again is another track; without tags it is called by its file name.
    r.player.openNow("/music/Take 3.mp3", 61.5, {{"title", "  "}});
    m = r.service.metadata();
    EXPECT_NE(r.trackId(), first);
    EXPECT_TRUE(r.trackId().startsWith("/org/tavrel/track/"));
    EXPECT_EQ(m.value("xesam:title").toString(), "Take 3");
    EXPECT_FALSE(m.contains("xesam:artist"));
    EXPECT_FALSE(m.contains("xesam:album"));
}

TEST(MprisService, ChangesAreAnnouncedOnceEachAsTheyHappen) {
    Rig r;
    r.player.openNow("/music/take.mp3", 60);
    ASSERT_EQ(r.announced.size(), 1u);
    EXPECT_TRUE(r.announced[0].contains("Metadata"));
    EXPECT_EQ(r.announced[0].value("CanSeek"), QVariant(true));
    EXPECT_EQ(r.announced[0].value("PlaybackStatus"), QVariant("Stopped"));

    r.player.level = 0.3;
    emit r.player.volumeChanged();
    r.player.loopOn = true;
    emit r.player.loopingChanged();
    r.player.speed = 0.75;
    emit r.player.rateChanged();
    // Nothing new: nothing sent.
    emit r.player.stateChanged();
    ASSERT_EQ(r.announced.size(), 4u);
    EXPECT_EQ(r.announced[1], (QVariantMap{{"Volume", 0.3}}));
    EXPECT_EQ(r.announced[2], (QVariantMap{{"LoopStatus", "Track"}}));
    EXPECT_EQ(r.announced[3], (QVariantMap{{"Rate", 0.75}}));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
