#include "Platform/Linux/X11IdleTimeSource.h"
#include "SessionTools.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {
// Polls for up to two seconds: the server handles the synthetic input shortly after xdotool
// returns.
bool idleDropsBelowOneSecond(X11IdleTimeSource& source)
{
    return QTest::qWaitFor(
        [&] {
            const std::optional<double> seconds = source.idleSeconds();
            return seconds && *seconds < 1.0;
        },
        2000);
}
} // namespace

TEST(X11IdleTimeSource, GrowsWhileNothingHappensAndDropsAfterPointerOrKeyInput)
{
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DISPLAY")) << "run under with-session.sh";
    std::unique_ptr<X11IdleTimeSource> source = X11IdleTimeSource::open();
    ASSERT_TRUE(source);

    ASSERT_TRUE(runTool(QStringLiteral("xdotool"), {"mousemove", "10", "10"}));
    ASSERT_TRUE(idleDropsBelowOneSecond(*source));
    const double before = source->idleSeconds().value();
    QThread::msleep(1300);
    const double after = source->idleSeconds().value();
    EXPECT_GE(after - before, 1.0);
    EXPECT_LT(after - before, 5.0);

    ASSERT_TRUE(runTool(QStringLiteral("xdotool"), {"mousemove", "200", "150"}));
    EXPECT_TRUE(idleDropsBelowOneSecond(*source)) << "pointer motion";

    QThread::msleep(1300);
    ASSERT_GE(source->idleSeconds().value(), 1.0);
    ASSERT_TRUE(runTool(QStringLiteral("xdotool"), {"key", "a"}));
    EXPECT_TRUE(idleDropsBelowOneSecond(*source)) << "key press";
}

TEST(X11IdleTimeSource, WithoutADisplayThereIsNoSource)
{
    EXPECT_FALSE(X11IdleTimeSource::open(":ostavel-none"));
}
