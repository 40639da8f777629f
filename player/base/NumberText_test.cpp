#include "base/Runtime.h"

#include <gtest/gtest.h>

namespace {

TEST(NumberText, NumberTextIsTheGeneralFormWithTheUsersSeparator) {
    const std::pair<double, const char*> cases[] = {
        {83.5163265306122, "83.5163265306122"},
        {83.52, "83.52"},
        {42, "42"},
        {0, "0"},
        {0.25, "0.25"},
        {-0.5, "-0.5"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {1e15, "1E+15"},
        {123456789012345.0, "123456789012345"},
        {1.0 / 3.0, "0.333333333333333"},
        {0.1 + 0.2, "0.3"},
    };
    for (auto [v, text] : cases) {
        EXPECT_EQ(numberText(v, QLatin1Char('.')), QString::fromLatin1(text)) << v;
    }
    EXPECT_EQ(numberText(83.52, QLatin1Char(',')), QStringLiteral("83,52"));
}

TEST(NumberText, ParsingAcceptsBothSeparators) {
    EXPECT_EQ(parseNumber(QStringLiteral("83.52"), QLatin1Char(',')), 83.52);
    EXPECT_EQ(parseNumber(QStringLiteral("83,52"), QLatin1Char(',')), 83.52);
    EXPECT_EQ(parseNumber(QStringLiteral(" 7 "), QLatin1Char('.')), 7.0);
    EXPECT_FALSE(parseNumber(QString(), QLatin1Char('.')));
    EXPECT_FALSE(parseNumber(QStringLiteral("abc"), QLatin1Char('.')));
}

} // namespace
