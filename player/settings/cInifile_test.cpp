// cInifile over real files: its fields, the value and list reads, NUL handling, and saving and
// restoring a window's position.

#include "settings/cInifile.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

struct Move {
    int32_t left, top, width, height;
    bool operator==(const Move&) const = default;
};

// A window on a 1920 x 1080 pixel screen at 15 twips per pixel.
class FakeWindow : public FormWindow {
public:
    int state = Normal;
    Move geometry{1500, 1500, 6000, 4500};
    double screenW = 1920 * 15.0;
    double screenH = 1080 * 15.0;
    bool refuse = false;
    std::vector<Move> moves;
    std::vector<int> stateChanges;

    int windowState() const override { return state; }
    bool setWindowState(int s) override {
        if (refuse) {
            return false;
        }
        stateChanges.push_back(s);
        state = s;
        return true;
    }
    int32_t left() const override { return geometry.left; }
    int32_t top() const override { return geometry.top; }
    int32_t width() const override { return geometry.width; }
    int32_t height() const override { return geometry.height; }
    bool move(int32_t l, int32_t t, int32_t w, int32_t h) override {
        if (refuse) {
            return false;
        }
        geometry = {l, t, w, h};
        moves.push_back(geometry);
        return true;
    }
    double screenWidth() const override { return screenW; }
    double screenHeight() const override { return screenH; }
    double twipsPerPixelX() const override { return 15.0; }
    double twipsPerPixelY() const override { return 15.0; }
};

class IniFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    cInifile ini;

    void SetUp() override {
        ini.setPath(dir.filePath(QStringLiteral("app.ini")));
        ini.setSection(QStringLiteral("Main"));
        ini.setKey(QStringLiteral("Key"));
    }
    void writeFile(const QByteArray& bytes) {
        QFile f(ini.Path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray file() {
        QFile f(ini.Path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
};

TEST_F(IniFile, FreshObjectHasFailedAndReadsDoNotChangeThat) {
    cInifile fresh;
    EXPECT_EQ(fresh.LastReturnCode(), 0);
    EXPECT_FALSE(fresh.success());
    EXPECT_TRUE(fresh.Path().isEmpty() && fresh.Key().isEmpty() && fresh.Section().isEmpty() &&
                fresh.Default().isEmpty());
    writeFile("[Main]\nKey=1\n");
    ini.setValue(QStringLiteral("2"));
    ASSERT_TRUE(ini.success());
    ini.setKey(QStringLiteral("Missing"));
    (void)ini.Value();
    (void)ini.Sections();
    (void)ini.INISection();
    EXPECT_TRUE(ini.success());
}

TEST_F(IniFile, MissingValueIsExactlyTheDefault) {
    writeFile("[Main]\nOther=1\n");
    for (const QString& def : {QStringLiteral("Not Entered"), QString(), QStringLiteral("x y")}) {
        ini.setDefault(def);
        EXPECT_EQ(ini.Value(), def);
    }
}

TEST_F(IniFile, ValueRemovesNulCharacters) {
    const struct {
        QString written;
        QByteArray line;
    } cases[] = {
        {QStringLiteral("a") + QChar(0) + QStringLiteral("b") + QChar(0), "Key=ab"},
        {QString(3, QChar(0)), "Key="},
        {QString(), "Key="},
    };
    for (const auto& c : cases) {
        ini.setValue(c.written);
        EXPECT_TRUE(ini.success());
        EXPECT_EQ(file(), "[Main]\r\n" + c.line + "\r\n");
    }
}

TEST_F(IniFile, LongValuesComeBackWholeUpToTheBuffer) {
    for (const int length : {32767, 40000, 63999}) {
        ini.setValue(QString(length, QLatin1Char('v')));
        EXPECT_EQ(ini.Value().size(), length);
    }
    ini.setValue(QString(70000, QLatin1Char('v')));
    EXPECT_EQ(ini.Value().size(), 63999);
}

TEST_F(IniFile, TextIsUtf8OrWindows1252) {
    ini.setValue(QStringLiteral("Café – ♪"));
    EXPECT_EQ(ini.Value(), QStringLiteral("Café – ♪"));
    writeFile("[Main]\nKey=C:\\M\xFAsica\\caf\xE9 \x96 don\x92t.wav\n");
    EXPECT_EQ(ini.Value(), QStringLiteral("C:\\Música\\café – don’t.wav"));
}

TEST_F(IniFile, DeletesSetTheReturnCode) {
    writeFile("[Main]\nKey=1\nOther=2\n[Next]\nKey=3\n");
    ini.DeleteKey();
    EXPECT_TRUE(ini.success());
    EXPECT_EQ(file(), "[Main]\nOther=2\n[Next]\nKey=3\n");
    ini.setINISection(QStringLiteral("ignored text"));
    EXPECT_TRUE(ini.success());
    EXPECT_EQ(file(), "[Next]\nKey=3\n");
    ini.setSection(QStringLiteral("Next"));
    ini.DeleteSection();
    EXPECT_TRUE(ini.success());
    EXPECT_EQ(file(), "");
}

TEST_F(IniFile, FailedWriteClearsSuccess) {
    ini.setValue(QStringLiteral("1"));
    ASSERT_TRUE(ini.success());
    ini.setPath(dir.path()); // a folder cannot be written as a file
    ini.setValue(QStringLiteral("2"));
    EXPECT_EQ(ini.LastReturnCode(), 0);
    EXPECT_FALSE(ini.success());
}

TEST_F(IniFile, EnumerationsCountNames) {
    writeFile("[Main]\nfirst=1\n=2\nthird=3\n[]\n[Other]\n");
    QStringList names{QStringLiteral("stale")};
    int32_t count = -1;
    ini.EnumerateCurrentSection(names, count);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(names, (QStringList{QStringLiteral("first"), QString(), QStringLiteral("third")}));
    ini.EnumerateAllSections(names, count);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Main"), QStringLiteral("Other")}));

    ini.setSection(QStringLiteral("Missing"));
    ini.setDefault(QStringLiteral("FAIL"));
    ini.EnumerateCurrentSection(names, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(names.isEmpty());
}

TEST_F(IniFile, EnumerationDropsTheNameThatTheListingBufferCut) {
    QByteArray text = "[Main]\n";
    for (int i = 0; i < 1100; ++i) {
        text += "key" + QByteArray::number(i).rightJustified(4, '0') + "=1\n";
    }
    writeFile(text);
    QStringList names;
    int32_t count = 0;
    ini.EnumerateCurrentSection(names, count);
    // 8190 bytes of 8-byte entries: 1023 whole names and the start of the next one.
    EXPECT_EQ(count, 1023);
    EXPECT_EQ(names.last(), QStringLiteral("key1022"));
}

TEST_F(IniFile, SaveFormPositionWritesByState) {
    const struct {
        int state;
        std::optional<QByteArray> file;
    } cases[] = {
        {FormWindow::Normal,
         "[Main]\r\nMaximised=0\r\nLeft=1500\r\nTop=1500\r\nWidth=6000\r\nHeight=4500\r\n"},
        {FormWindow::Maximised, "[Main]\r\nMaximised=1\r\n"},
        {FormWindow::Minimised, std::nullopt},
    };
    for (const auto& c : cases) {
        QFile::remove(ini.Path());
        FakeWindow window;
        window.state = c.state;
        ini.SaveFormPosition(window);
        EXPECT_EQ(file(), c.file.value_or("<none>")) << c.state;
        EXPECT_EQ(ini.Key(), QStringLiteral("Key"));
    }
}

struct LoadCase {
    const char* name;
    QByteArray stored;
    double screenPixels; // square screen when non-zero, else 1920 x 1080
    std::optional<Move> moved;
    bool maximised;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

class LoadPosition : public IniFile, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadPosition, ClampsToScreenAndMinimums) {
    const LoadCase& c = GetParam();
    writeFile("[Main]\n" + c.stored);
    ini.setValue(QStringLiteral("keep")); // a last return code of 1 that a normal run keeps
    ini.setDefault(QStringLiteral("mine"));
    FakeWindow window;
    window.geometry = {0, 0, 2000, 2000};
    if (c.screenPixels > 0) {
        window.screenW = window.screenH = c.screenPixels * 15.0;
    }
    ini.LoadFormPosition(window);
    EXPECT_EQ(window.moves.empty(), !c.moved);
    if (c.moved && !window.moves.empty()) {
        EXPECT_EQ(window.moves.back(), *c.moved);
    }
    EXPECT_EQ(window.state == FormWindow::Maximised, c.maximised);
    EXPECT_EQ(ini.LastReturnCode(), 1);
    EXPECT_EQ(ini.Key(), QStringLiteral("Key"));
    EXPECT_EQ(ini.Default(), QStringLiteral("mine"));
}

const LoadCase loadCases[] = {
    {"NothingStoredRaisesToMinimumInsideMargin", "", 0, Move{60, 60, 3000, 3000}, false},
    {"StoredGeometry", "Left=900\nTop=600\nWidth=9000\nHeight=6000\n", 0,
     Move{900, 600, 9000, 6000}, false},
    {"PastRightEdgeMovedLeft", "Left=28000\nTop=100\nWidth=4000\nHeight=5000\n", 0,
     Move{24740, 100, 4000, 5000}, false},
    {"WiderThanScreenNarrowed", "Left=100\nTop=100\nWidth=40000\nHeight=20000\n", 0,
     Move{60, 60, 28680, 16080}, false},
    {"NonNumberKeepsCurrent", "Left=abc\nTop=750\nWidth=wide\nHeight=3500\n", 0,
     Move{60, 750, 3000, 3500}, false},
    {"FractionsRoundHalfToEven", "Left=900.5\nTop=901.5\nWidth=4000\nHeight=4000\n", 0,
     Move{900, 902, 4000, 4000}, false},
    {"Maximised", "Maximised=1\nLeft=900\nTop=600\nWidth=9000\nHeight=6000\n", 0,
     Move{900, 600, 9000, 6000}, true},
    {"ScreenTooSmallNoMoveButMaximised", "Maximised=1\n", 200, std::nullopt, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, LoadPosition, ::testing::ValuesIn(loadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IniFile, LoadFormPositionFailureStopsAndClearsSuccess) {
    const struct {
        QByteArray stored;
        bool refuse;
    } cases[] = {
        {"Left=2147483000\nWidth=3000\n", false}, // Left + Width overflows 32 bits
        {"Maximised=1\n", true},                  // the window refuses to move
    };
    for (const auto& c : cases) {
        writeFile("[Main]\n" + c.stored);
        ini.setValue(QStringLiteral("ok"));
        ASSERT_TRUE(ini.success());
        ini.setDefault(QStringLiteral("mine"));
        FakeWindow window;
        window.refuse = c.refuse;
        const Move before = window.geometry;
        ini.LoadFormPosition(window);
        EXPECT_FALSE(ini.success());
        EXPECT_EQ(window.geometry, before);
        EXPECT_TRUE(window.stateChanges.empty());
        EXPECT_EQ(ini.Key(), QStringLiteral("Key"));
        EXPECT_EQ(ini.Default(), QStringLiteral("mine"));
    }
}

TEST_F(IniFile, SavedPositionLoadsBack) {
    FakeWindow saved;
    saved.geometry = {1200, 900, 7500, 5250};
    ini.SaveFormPosition(saved);
    FakeWindow restored;
    ini.LoadFormPosition(restored);
    EXPECT_EQ(restored.geometry, saved.geometry);
    EXPECT_EQ(restored.state, FormWindow::Normal);
}

TEST(CLngDefault, ConvertsOrFallsBack) {
    const struct {
        const char* text;
        int32_t expected;
    } cases[] = {
        {"12.5", 12},
        {"13.5", 14},
        {" 7 ", 7},
        {"-2.5", -2},
        {"2147483647", INT32_MAX},
        {"2147483648", -1},
        {"-2147483648", INT32_MIN},
        {"FAIL", -1},
        {"", -1},
        {"1 2", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cInifile::CLngDefault(QString::fromLatin1(c.text), -1), c.expected) << c.text;
    }
    EXPECT_EQ(cInifile::CLngDefault(QStringLiteral("FAIL")), 0);
}

} // namespace
