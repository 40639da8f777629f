#include "engine/PracticeTempo.h"

#include "player/FakeMediaBackend.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Step {
    const char* what;
    std::function<void(PracticeTempo&)> act;
    int speed;
    int transpose;
};

TEST(PracticeTempo, StepsStayInRangeAndReachEveryBackEnd) {
    FakeMediaBackend a, b;
    PracticeTempo t({&a, &b});
    const Step steps[] = {
        {"slower", [](PracticeTempo& t) { t.slower(); }, 95, 0},
        {"down to the floor",
         [](PracticeTempo& t) {
             for (int i = 0; i < 20; ++i) {
                 t.slower();
             }
         },
         50, 0},
        {"faster from the floor", [](PracticeTempo& t) { t.faster(); }, 55, 0},
        {"above the ceiling", [](PracticeTempo& t) { t.setSpeedPercent(400); }, 150, 0},
        {"off-step value snaps", [](PracticeTempo& t) { t.setSpeedPercent(72); }, 70, 0},
        {"back to normal", [](PracticeTempo& t) { t.resetSpeed(); }, 100, 0},
        {"up a semitone", [](PracticeTempo& t) { t.transposeUp(); }, 100, 1},
        {"past an octave up", [](PracticeTempo& t) { t.setTranspose(30); }, 100, 12},
        {"past an octave down",
         [](PracticeTempo& t) {
             for (int i = 0; i < 30; ++i) {
                 t.transposeDown();
             }
         },
         100, -12},
        {"speed keeps the transposition", [](PracticeTempo& t) { t.setSpeedPercent(75); }, 75, -12},
        {"transposition back to 0", [](PracticeTempo& t) { t.resetTranspose(); }, 75, 0},
    };
    for (const Step& s : steps) {
        s.act(t);
        EXPECT_EQ(t.speedPercent(), s.speed) << s.what;
        EXPECT_EQ(t.transpose(), s.transpose) << s.what;
        for (FakeMediaBackend* backend : {&a, &b}) {
            EXPECT_DOUBLE_EQ(backend->speed(), s.speed / 100.0) << s.what;
            EXPECT_EQ(backend->transpose(), s.transpose) << s.what;
        }
    }
}

TEST(PracticeTempo, ChangedOnlyWhenSomethingChanged) {
    FakeMediaBackend a;
    PracticeTempo t({&a});
    int changed = 0;
    QObject::connect(&t, &PracticeTempo::changed, [&] { ++changed; });
    t.resetSpeed();
    t.resetTranspose();
    t.setSpeedPercent(102);
    EXPECT_EQ(changed, 0);
    t.faster();
    t.transposeDown();
    EXPECT_EQ(changed, 2);
}

TEST(PracticeTempo, Texts) {
    EXPECT_EQ(PracticeTempo::speedText(75), QStringLiteral("75%"));
    EXPECT_EQ(PracticeTempo::transposeText(0), QStringLiteral("0"));
    EXPECT_EQ(PracticeTempo::transposeText(2), QStringLiteral("+2"));
    EXPECT_EQ(PracticeTempo::transposeText(-12), QStringLiteral("\u221212"));
}

} // namespace
