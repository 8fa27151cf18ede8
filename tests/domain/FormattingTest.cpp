#include "base/Errors.h"
#include "base/Convert.h"
#include "base/RecordFields.h"
#include "domain/Formatting.h"

#include "support/FakeHost.h"

#include <QDateTime>
#include <QLocale>

#include <random>

#include <gtest/gtest.h>

namespace so {
namespace {

class DateTimeTest : public ::testing::Test {
protected:
    DateTimeTest() {
        ctx.ntConnection = &host;
        host.dateFormat = QStringLiteral("dd/MM/yyyy");
    }
    test::FakeHost host;
    ComponentContext ctx;
    DateTimeConverter converter;
};

TEST_F(DateTimeTest, NonDatesGiveEmptyText) {
    for (const QString& text : {QString(), QStringLiteral("abc"), QStringLiteral("  "),
                                QStringLiteral("31/02/2024 10:00:00"), QStringLiteral("1'; DROP TABLE x")}) {
        const UpdatedStamp stamp = converter.convert(ctx, text);
        EXPECT_TRUE(stamp.text.isEmpty() && stamp.msecs == UpdatedStamp::kUnknown) << text.toStdString();
    }
}

TEST_F(DateTimeTest, TwentyFourHourTimeWithSecondsWhenTimeFormatIsSet) {
    ctx.timeFormat = true;
    EXPECT_EQ(converter.convert(ctx, QStringLiteral("05/03/2024 17:04:09")).text,
              QStringLiteral("05/03/2024 17:04:09"));
    // The forms the database hands back are read as well.
    EXPECT_EQ(converter.convert(ctx, QStringLiteral("2024-03-05 07:04:09")).text,
              QStringLiteral("05/03/2024 07:04:09"));
    EXPECT_EQ(converter.convert(ctx, QStringLiteral("2024-03-05T07:04:09.250")).text,
              QStringLiteral("05/03/2024 07:04:09"));
    EXPECT_EQ(converter.convert(ctx, QStringLiteral("05/03/2024")).text, QStringLiteral("05/03/2024 00:00:00"));
    // The time beside the text is the one read, whichever form it came in.
    EXPECT_EQ(converter.convert(ctx, QStringLiteral("2024-03-05T07:04:09")).msecs,
              QDateTime(QDate(2024, 3, 5), QTime(7, 4, 9)).toMSecsSinceEpoch());
}

TEST_F(DateTimeTest, StoredFormAsHostFormatIsWrittenAsTheGeneralFormatterWritesIt) {
    // The stored form as the host's own is written digit by digit; years outside 1000-9999 go
    // through the general formatter. Both must give the same text for every time.
    ctx.timeFormat = true;
    host.dateFormat = QStringLiteral("yyyy-MM-dd");
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        const int year = i % 10 == 0 ? 1 + int(rng() % 1200) : 1000 + int(rng() % 9000);
        const QDateTime when(QDate(year, 1 + int(rng() % 12), 1 + int(rng() % 28)),
                             QTime(int(rng() % 24), int(rng() % 60), int(rng() % 60)));
        const QString text = when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QString general = when.date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') +
                                when.time().toString(QStringLiteral("HH:mm:ss"));
        ASSERT_EQ(converter.convert(ctx, text).text, general) << text.toStdString();
    }
}

/// Runs a test body with another default locale.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

TEST_F(DateTimeTest, LocaleLongTimeWithoutTimeFormat) {
    const LocaleScope us(QLocale(QLocale::English, QLocale::UnitedStates));
    ctx.timeFormat = false;
    EXPECT_EQ(converter.convert(ctx, QStringLiteral("05/03/2024 17:04:09")).text,
              QStringLiteral("05/03/2024 5:04:09 PM"));
}

TEST_F(DateTimeTest, KeptResultsFollowTheSettings) {
    const LocaleScope us(QLocale(QLocale::English, QLocale::UnitedStates));
    ctx.timeFormat = true;
    const QString report = QStringLiteral("2024-03-05 17:04:09");
    EXPECT_EQ(converter.convert(ctx, report).text, QStringLiteral("05/03/2024 17:04:09"));
    EXPECT_EQ(converter.convert(ctx, report).text, QStringLiteral("05/03/2024 17:04:09"));
    EXPECT_EQ(host.count(QStringLiteral("GetDateFormat")), 1);

    ctx.timeFormat = false;
    EXPECT_NE(converter.convert(ctx, report).text, QStringLiteral("05/03/2024 17:04:09"));

    // A new date format (the context's copy dropped, as on an operator switch) is taken up.
    ctx.timeFormat = true;
    host.dateFormat = QStringLiteral("yyyy.MM.dd");
    ctx.dateTimeFormat.clear();
    EXPECT_EQ(converter.convert(ctx, report).text, QStringLiteral("2024.03.05 17:04:09"));
}

TEST(Formatting, ZeroPaddedNumbers) {
    EXPECT_EQ(padded(7, 2), QStringLiteral("07"));
    EXPECT_EQ(padded(0, 2), QStringLiteral("00"));
    EXPECT_EQ(padded(123, 2), QStringLiteral("123"));
    EXPECT_EQ(padded(-7, 2), QStringLiteral("-07"));
    EXPECT_EQ(padded(7, 3), QStringLiteral("007"));
    EXPECT_EQ(padded(42, 3), QStringLiteral("042"));
    EXPECT_EQ(padded(1234, 3), QStringLiteral("1234"));
}

TEST(Convert, StateValuesAndSiteFieldsRoundAlike) {
    // A half goes to the even neighbour whether the number comes as text or as a database field.
    const double cases[][2] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {2.4999, 2}, {2.5001, 3}};
    for (const auto& [value, rounded] : cases) {
        EXPECT_EQ(roundHalfToEven(value), rounded) << value;
        EXPECT_EQ(fields::toNumber(QVariant(value), QStringLiteral("f")), qint64(rounded)) << value;
        EXPECT_EQ(toInt32(QString::number(value)), qint32(rounded)) << value;
    }
}

TEST(Convert, NumbersFromTexts) {
    EXPECT_EQ(toInt32(QStringLiteral(" 42 ")), 42);
    EXPECT_EQ(toInt32(QStringLiteral("-3")), -3);
    EXPECT_EQ(toInt16(QStringLiteral("4")), 4);

    struct Bad {
        QString text;
        int number;
    };
    const Bad bad[] = {
        {QString(), ComponentError::TypeMismatch},
        {QStringLiteral("abc"), ComponentError::TypeMismatch},
        {QStringLiteral("1,5"), ComponentError::TypeMismatch},
        {QStringLiteral("nan"), ComponentError::TypeMismatch},
        {QStringLiteral("inf"), ComponentError::TypeMismatch},
        {QStringLiteral("4'"), ComponentError::TypeMismatch},
        {QStringLiteral("40000"), ComponentError::Overflow},
    };
    for (const Bad& b : bad) {
        try {
            toInt16(b.text);
            ADD_FAILURE() << "no failure for " << b.text.toStdString();
        } catch (const ComponentError& e) {
            EXPECT_EQ(e.number(), b.number) << b.text.toStdString();
        }
    }
    EXPECT_THROW(toInt32(QStringLiteral("3000000000")), ComponentError);
}

TEST(Convert, WholeNumbersOnlyForStatements) {
    EXPECT_EQ(wholeNumber(QStringLiteral("7")), 7);
    EXPECT_EQ(wholeNumber(QStringLiteral(" -12 ")), -12);
    EXPECT_EQ(wholeNumber(QStringLiteral("+3")), 3);
    for (const QString& text :
         {QString(), QStringLiteral("-"), QStringLiteral("1.0"), QStringLiteral("1e3"), QStringLiteral("1 OR 1=1"),
          QStringLiteral("1; DELETE FROM ThreatLevels"), QStringLiteral("0x10"), QStringLiteral("99999999999")})
        EXPECT_FALSE(wholeNumber(text).has_value()) << text.toStdString();
}

}  // namespace
}  // namespace so
