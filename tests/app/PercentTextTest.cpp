// The numeric rules behind the percentage boxes, in the operator's locale.
#include "tests/app/QtPrinters.h"

#include "app/PercentText.h"
#include "diag/ErrorNumbers.h"
#include "diag/Failure.h"

#include <gtest/gtest.h>

namespace Kadex::Test {

namespace PT = App::PercentText;

namespace {

const QLocale German(QLocale::German, QLocale::Germany);
const QLocale English(QLocale::English, QLocale::UnitedStates);

qint32 failureNumberOf(const QString &text, const QLocale &locale)
{
    try {
        PT::toInteger16(text, locale);
    } catch (const Diag::Failure &failure) {
        return failure.number;
    }
    return 0;
}

} // namespace

TEST(PercentTextTest, NumbersFollowTheLocale)
{
    EXPECT_EQ(PT::numberOf(QStringLiteral("3,7"), German), 3.7);
    EXPECT_EQ(PT::numberOf(QStringLiteral("3.7"), English), 3.7);
    EXPECT_EQ(PT::numberOf(QStringLiteral("1.000"), German), 1000.0);
    EXPECT_EQ(PT::numberOf(QStringLiteral(" -4 "), German), -4.0);
    EXPECT_EQ(PT::numberOf(QStringLiteral("1e3"), English), 1000.0);
    for (const char *text : {"", " ", "abc", "-", "12abc", "inf", "nan"}) {
        EXPECT_FALSE(PT::numberOf(QString::fromLatin1(text), English)) << text;
    }
}

TEST(PercentTextTest, ConversionRoundsHalvesToEvenWithinSixteenBits)
{
    EXPECT_EQ(PT::toInteger16(QStringLiteral("2,5"), German), 2);
    EXPECT_EQ(PT::toInteger16(QStringLiteral("3,5"), German), 4);
    EXPECT_EQ(PT::toInteger16(QStringLiteral("-2.5"), English), -2);
    EXPECT_EQ(PT::toInteger16(QStringLiteral("32767"), English), 32767);
    EXPECT_EQ(PT::toInteger16(QStringLiteral("-32768"), English), -32768);
    EXPECT_EQ(failureNumberOf(QStringLiteral("32767.5"), English), Diag::ErrorNumbers::Overflow);
    EXPECT_EQ(failureNumberOf(QStringLiteral("-32769"), English), Diag::ErrorNumbers::Overflow);
    EXPECT_EQ(failureNumberOf(QStringLiteral("99999"), English), Diag::ErrorNumbers::Overflow);
    EXPECT_EQ(failureNumberOf(QStringLiteral("abc"), English), Diag::ErrorNumbers::TypeMismatch);
}

TEST(PercentTextTest, IntegerPartIsTheWholeNumberBelow)
{
    EXPECT_EQ(PT::integerPartText(3.7), QStringLiteral("3"));
    EXPECT_EQ(PT::integerPartText(-3.5), QStringLiteral("-4"));
    EXPECT_EQ(PT::integerPartText(99999.5), QStringLiteral("99999"));
}

} // namespace Kadex::Test
