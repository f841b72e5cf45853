#include "BreakManager/BreakState.h"
#include "Configuration/AppVersion.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QString writeFile(const QTemporaryDir& dir, const QByteArray& content)
{
    const QString path = dir.path() + QStringLiteral("/version.txt");
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(content);
    return path;
}
} // namespace

TEST(AppVersion, ReadsTheTrimmedTextOrDev)
{
    QTemporaryDir dir;
    EXPECT_EQ(AppVersion::readVersionFile(dir.path() + QStringLiteral("/missing.txt")), "dev");
    EXPECT_EQ(AppVersion::readVersionFile(writeFile(dir, "1.4.2\n")), "1.4.2");
    EXPECT_EQ(AppVersion::readVersionFile(writeFile(dir, "  \n\t\n")), "dev");
    EXPECT_EQ(AppVersion::readVersionFile(writeFile(dir, "\xff\xfe bad")), "dev");
    EXPECT_EQ(AppVersion::readVersionFile(writeFile(dir, "1.0\xC3")), "dev");
    EXPECT_EQ(AppVersion::readVersionFile(writeFile(dir, "1.0\xE2\x82")), "dev");
    EXPECT_EQ(AppVersion::readVersionFile(writeFile(dir, "1.0\xC3\xA9")), "1.0\u00e9");
    EXPECT_EQ(AppVersion::readVersionFile(writeFile(dir, " 2.0 beta 1 ")), "2.0 beta 1");
}

TEST(AppVersion, CurrentIsComputedOnce)
{
    const QString first = AppVersion::current();
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(AppVersion::current(), first);
}

TEST(BreakState, RawValuesRoundTrip)
{
    for (BreakState state : allBreakStates())
        EXPECT_EQ(breakStateFromRawValue(breakStateRawValue(state)), state);
    EXPECT_EQ(breakStateRawValue(BreakState::preAlert), "preAlert");
    EXPECT_FALSE(breakStateFromRawValue(QStringLiteral("Idle")).has_value());
}
