#include "App/Lazy.h"

#include <QStringList>
#include <gtest/gtest.h>

TEST(Lazy, BuildsOnceOnFirstUseAndRemembersAnEmptyAnswer)
{
    QStringList asked;
    Lazy<QString, int> built([&](int n) {
        asked << QString::number(n);
        return std::make_unique<QString>(QString::number(n * 10));
    });
    EXPECT_TRUE(asked.isEmpty()) << "nothing is built before the first use";
    ASSERT_NE(built.get(4), nullptr);
    EXPECT_EQ(*built.get(5), QStringLiteral("40"));
    EXPECT_EQ(built.get(6), built.get(7));

    Lazy<QString> refused([&] {
        asked << QStringLiteral("refused");
        return std::unique_ptr<QString>();
    });
    EXPECT_EQ(refused.get(), nullptr);
    EXPECT_EQ(refused.get(), nullptr);
    EXPECT_EQ(asked, QStringList({"4", "refused"})) << "each factory is asked once";

    EXPECT_EQ(Lazy<QString>().get(), nullptr) << "no factory: not part of this build";
}
