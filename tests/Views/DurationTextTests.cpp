#include "Views/DurationText.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <limits>

// Every text the views make of seconds, at the edges too: fractions, negatives, NaN, infinities
// and magnitudes beyond a 64-bit count. Each row pairs its seconds and texts in order.
TEST(DurationText, EachFormatterOverItsCases)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QString dash = QStringLiteral("\u2014");
    struct Row {
        QString (*format)(double);
        std::vector<double> seconds;
        QStringList texts;
    };
    const Row rows[] = {
        {DurationText::clock,
         {0, 75, 2100, 5400, -3, 59.99, nan, -inf, 1e300},
         {"0:00", "1:15", "35:00", "90:00", "0:00", "0:59", "0:00", "0:00",
          "76861433640456465:04"}},
        {DurationText::dueIn, {59, 60, 125, 0, 59.9}, {"59s", "1m 0s", "2m 5s", "0s", "59s"}},
        {DurationText::trayCountdown,
         {59.9, 60, 0.4, 119, 120, 45, 2100, 1, 0, -5, 90, nan, inf},
         {"59s", "1m", "Now", "1m", "2m", "45s", "35m", "1s", "Now", "Now", "1m", "Now",
          "76861433640456465m"}},
        {DurationText::snoozeOption,
         {300, 600, 90, 45, 45.9, 0, 120.5},
         {"5m", "10m", "90s", "45s", "45s", "0s", "2m"}},
        {DurationText::sliderValue,
         {0, 59, 60, 90, 300, 7200, 150, 59.9, 119.99, -5, -120, -0.5, nan, inf, -inf, 1e300, 9e18},
         {"0s", "59s", "1 min", "90s", "5 min", "120 min", "150s", "59s", "119s", "-5s", "-120s",
          "0s", dash, dash, dash, dash, "150000000000000000 min"}},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(row.seconds.size(), size_t(row.texts.size()));
        for (size_t i = 0; i < row.seconds.size(); ++i)
            EXPECT_EQ(row.format(row.seconds[i]), row.texts[qsizetype(i)]) << row.seconds[i];
    }
}
