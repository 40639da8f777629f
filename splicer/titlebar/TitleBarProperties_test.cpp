#include "titlebar/PropertyBag.h"
#include "titlebar/Rounding.h"
#include "titlebar/TitleBarProperties.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

namespace {

QFont tahoma() {
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(14.25);
    return f;
}

QImage someIcon() {
    QImage img(20, 20, QImage::Format_ARGB32);
    img.fill(qRgba(40, 120, 220, 255));
    return img;
}

// The splicer window's saved design as it ships: lower-case keys, everything else default.
QString splicerDesign() {
    PropertyBag icon;
    icon.WriteProperty(QStringLiteral("picturebutton"), someIcon(), QImage());
    return QStringLiteral("caption=Plemora\nbackcolor=&H004F3026\nbackcolorcover=6\n"
                          "forecolor=&H00FFFFFF\nshowmaximizedenabled=true\nbordernormal=2\n"
                          "font=") +
           tahoma().toString() + u'\n' + icon.toText();
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
    const struct {
        double in;
        int out;
    } cases[] = {{12.5, 12}, {13.5, 14}, {-2.5, -2}, {-3.5, -4}, {0.49, 0}, {7.5, 8}, {15.5, 16}};
    for (const auto& c : cases) {
        EXPECT_EQ(titlebar::cint(c.in), c.out) << c.in;
    }
    EXPECT_EQ(titlebar::fix(-2.7), -2);
    EXPECT_THROW(titlebar::cint(3e9), std::overflow_error);
}

TEST(TitleBarProperties, SettersLimitCoverAndIconStyle) {
    const struct {
        float in, out;
    } covers[] = {{12, 10}, {10, 10}, {9.5f, 9.5f}, {0, 1}, {-3, 1}, {0.5f, 0.5f}};
    for (const auto& c : covers) {
        EXPECT_EQ(TitleBarProperties::limitBackColorCover(c.in), c.out) << c.in;
    }
    EXPECT_EQ(TitleBarProperties::limitIconStyle(5), 2);
    EXPECT_EQ(TitleBarProperties::limitIconStyle(1), 1);
}

TEST(TitleBarProperties, MissingCoverReadsAsZero) {
    const auto p = TitleBarProperties::read(PropertyBag(), QStringLiteral("TB"), QFont());
    EXPECT_EQ(p.BackColorCover, 0.0f);
}

TEST(TitleBarProperties, LowerAndMixedCaseKeysReadAlike) {
    const QString lower = QStringLiteral(
        "backcolor=&H00102030\ncaption=Hello\nshowmaximizedenabled=true\nbordernormal=4\n");
    const QString mixed = QStringLiteral(
        "BackColor=&H00102030\nCaption=Hello\nShowMaximizedEnabled=True\nBorderNormal=4\n");
    for (const QString& text : {lower, mixed}) {
        const auto p =
            TitleBarProperties::read(PropertyBag::fromText(text), QStringLiteral("TB"), QFont());
        EXPECT_EQ(p.BackColor, 0x00102030u);
        EXPECT_EQ(p.Caption, QStringLiteral("Hello"));
        EXPECT_TRUE(p.ShowMaximizedEnabled);
        EXPECT_EQ(p.BorderNormal, 4);
    }
}

TEST(TitleBarProperties, SplicerDesignReadsItsValuesAndDefaultsForTheRest) {
    const QFont ambient(QStringLiteral("DejaVu Sans"), 9);
    const auto p = TitleBarProperties::read(PropertyBag::fromText(splicerDesign()),
                                            QStringLiteral("TB"), ambient);
    EXPECT_EQ(p.Caption, QStringLiteral("Plemora"));
    EXPECT_EQ(p.BackColor, OleColor::rgb(38, 48, 79));
    EXPECT_EQ(p.BackColorCover, 6.0f);
    EXPECT_EQ(p.ForeColor, OleColor::rgb(255, 255, 255));
    EXPECT_TRUE(p.ShowMaximizedEnabled);
    EXPECT_EQ(p.BorderNormal, 2);
    EXPECT_EQ(p.Font.family(), QStringLiteral("Tahoma"));
    EXPECT_DOUBLE_EQ(p.Font.pointSizeF(), 14.25);
    EXPECT_EQ(p.PictureButton.size(), QSize(20, 20));

    // Everything else at its read default: compare the whole set with the named ones put back.
    auto expected = TitleBarProperties::readDefaults(QStringLiteral("TB"), ambient);
    PropertyBag a, b;
    auto actual = p;
    actual.Caption = expected.Caption;
    actual.BackColor = expected.BackColor;
    actual.BackColorCover = expected.BackColorCover;
    actual.ForeColor = expected.ForeColor;
    actual.ShowMaximizedEnabled = expected.ShowMaximizedEnabled;
    actual.BorderNormal = expected.BorderNormal;
    actual.Font = expected.Font;
    actual.PictureButton = expected.PictureButton;
    actual.write(a, QStringLiteral("TB"), ambient);
    expected.write(b, QStringLiteral("TB"), ambient);
    EXPECT_EQ(a.toText(), b.toText());
    EXPECT_EQ(expected.ForeColor, OleColor::ButtonText);
    EXPECT_EQ(expected.Style, 8);
    EXPECT_FALSE(expected.ShowMaximized);
}

TEST(TitleBarProperties, DefaultsAreNotWrittenAndTheRestRoundTrips) {
    const QFont ambient(QStringLiteral("DejaVu Sans"), 9);
    PropertyBag empty;
    TitleBarProperties::readDefaults(QStringLiteral("TB"), ambient)
        .write(empty, QStringLiteral("TB"), ambient);
    // BackColor alone differs: it is written against the button face, read against grey.
    EXPECT_EQ(empty.toText(), QStringLiteral("BackColor=&H00E6E6E6\n"));

    auto p = TitleBarProperties::newInstance(QStringLiteral("TB"), tahoma());
    p.Style = 13;
    p.BackColorCover = 6.5f;
    p.Caption = QStringLiteral("Line one\nline = two \\ three");
    p.PictureButton = someIcon();
    PropertyBag bag;
    p.write(bag, QStringLiteral("TB"), ambient);
    EXPECT_FALSE(bag.contains(QStringLiteral("CaptionPosY"))); // 2 is its default
    const auto back = TitleBarProperties::read(PropertyBag::fromText(bag.toText()),
                                               QStringLiteral("TB"), ambient);
    PropertyBag again;
    back.write(again, QStringLiteral("TB"), ambient);
    EXPECT_EQ(again.toText(), bag.toText());
    EXPECT_EQ(back.Caption, p.Caption);
    EXPECT_EQ(back.PictureButton.pixel(3, 3), p.PictureButton.pixel(3, 3));
}

TEST(TitleBarProperties, ButtonFaceBackgroundReadsBackAsGrey) {
    auto p = TitleBarProperties::newInstance(QStringLiteral("TB"), QFont());
    p.BackColor = OleColor::ButtonFace;
    PropertyBag bag;
    p.write(bag, QStringLiteral("TB"), QFont());
    EXPECT_FALSE(bag.contains(QStringLiteral("backcolor")));
    EXPECT_EQ(TitleBarProperties::read(bag, QStringLiteral("TB"), QFont()).BackColor,
              OleColor::rgb(230, 230, 230));
}

TEST(TitleBarProperties, HandWrittenDesignIsHeldToTheLimits) {
    const auto p = TitleBarProperties::read(
        PropertyBag::fromText(QStringLiteral("iconstyle=5\nbackcolorcover=40\nstyle=oops\n")),
        QStringLiteral("TB"), QFont());
    EXPECT_EQ(p.IconStyle, 2);
    EXPECT_EQ(p.BackColorCover, 10.0f);
    EXPECT_EQ(p.Style, 8); // unreadable text falls back to the default
}

TEST(PropertyBag, ReadsNumbersInTheirUsualSpellings) {
    const auto bag = PropertyBag::fromText(QStringLiteral(
        "# comment\nA=&H8000000F\nb=0x10\nC=255\nd= -7 \nbig=70000\n\nno equals sign\n"));
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("a"), 0u).toUInt(), 0x8000000Fu);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("B"), 0u).toUInt(), 16u);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("c"), QVariant::fromValue<quint8>(1)).value<quint8>(),
              255);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("D"), 0).toInt(), -7);
    // Out of range for a 16-bit property: the default stands.
    EXPECT_EQ(
        bag.ReadProperty(QStringLiteral("big"), QVariant::fromValue<qint16>(3)).value<qint16>(), 3);
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("missing"), 42).toInt(), 42);
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Fonts need a GUI application; test discovery runs this without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}

// Setting goes through the same list as reading and writing a design: every property can be
// set by its name in any letter case, the two limited ones are limited, others are refused.
TEST(TitleBarProperties, SetByNameGoesThroughTheOneList) {
    TitleBarProperties p;
    const struct {
        const char* name;
        QVariant value;
        QVariant stored;
        TitleBarProperties::Effect effect;
    } cases[] = {
        {"style", QVariant::fromValue(std::int16_t(3)), QVariant::fromValue(std::int16_t(3)),
         TitleBarProperties::Effect::Redraw},
        {"BACKCOLORCOVER", 12.0f, 10.0f, TitleBarProperties::Effect::Redraw},
        {"BackColorCover", -1.0f, 1.0f, TitleBarProperties::Effect::Redraw},
        {"iconstyle", QVariant::fromValue(std::uint8_t(5)), QVariant::fromValue(std::uint8_t(2)),
         TitleBarProperties::Effect::Redraw},
        {"Caption", QStringLiteral("Plemora"), QStringLiteral("Plemora"),
         TitleBarProperties::Effect::Redraw},
        {"tooltiptext", QStringLiteral("tip"), QStringLiteral("tip"),
         TitleBarProperties::Effect::Keep},
        {"autoredraw", true, true, TitleBarProperties::Effect::Keep},
        {"Font", tahoma(), tahoma(), TitleBarProperties::Effect::Font},
    };
    for (const auto& c : cases) {
        const auto change = p.set(QString::fromLatin1(c.name), c.value);
        ASSERT_TRUE(change) << c.name;
        EXPECT_EQ(change->effect, c.effect) << c.name;
        EXPECT_EQ(change->name.toLower(), QString::fromLatin1(c.name).toLower());
        EXPECT_EQ(p.get(QString::fromLatin1(c.name)), c.stored) << c.name;
    }
    EXPECT_FALSE(p.set(QStringLiteral("NoSuchProperty"), 1));
    EXPECT_FALSE(p.get(QStringLiteral("NoSuchProperty")).isValid());
    EXPECT_EQ(TitleBarProperties::names().size(), 40);
    for (const QString& name : TitleBarProperties::names()) {
        EXPECT_TRUE(p.get(name).isValid()) << name.toStdString();
    }
}
