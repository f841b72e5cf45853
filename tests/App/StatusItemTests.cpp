#include "Views/StatusIconPainter.h"
#include "Views/StatusItemContent.h"
#include "Views/SymbolImage.h"

#include <gtest/gtest.h>

TEST(StatusItemContent, PictureAndTitleByState)
{
    using Image = StatusItemContent::Image;
    auto content = StatusItemContent::make(BreakState::active, 300, true, true);
    EXPECT_EQ(content.image, Image::countdown);
    EXPECT_EQ(content.text, QStringLiteral("5m"));
    EXPECT_EQ(content.toolTip, QStringLiteral("5m Blocked"));
    EXPECT_TRUE(content.redDot);

    EXPECT_EQ(StatusItemContent::make(BreakState::preAlert, 0, true, true).toolTip,
              QStringLiteral("Now Blocked"));
    EXPECT_EQ(StatusItemContent::make(BreakState::active, 90, true, true).toolTip,
              QStringLiteral("1m Blocked"));
    EXPECT_EQ(StatusItemContent::make(BreakState::preAlert, 45, false, false).toolTip,
              QStringLiteral("45s"));

    content = StatusItemContent::make(BreakState::idle, 2100, true, true);
    EXPECT_EQ(content.image, Image::stand);
    EXPECT_EQ(content.toolTip, QStringLiteral("Blocked"));
    content = StatusItemContent::make(BreakState::onBreak, 0, false, false);
    EXPECT_EQ(content.image, Image::stand);
    EXPECT_EQ(content.toolTip, QStringLiteral("Ostavel"));
    EXPECT_FALSE(content.redDot);

    content = StatusItemContent::make(BreakState::disabled, 0, true, true);
    EXPECT_EQ(content.image, Image::moon);
    EXPECT_EQ(content.toolTip, QStringLiteral("Disabled"));
    EXPECT_TRUE(content.redDot);
}

namespace {
bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qGreen(pixel) < 100 && qBlue(pixel) < 100 && qAlpha(pixel) > 200;
}

int countPixels(const QImage& image, const std::function<bool(QRgb)>& test)
{
    int n = 0;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            n += test(argb.pixel(x, y)) ? 1 : 0;
    return n;
}

bool isLight(QRgb pixel)
{
    return qRed(pixel) > 180 && qGreen(pixel) > 180 && qBlue(pixel) > 180;
}
} // namespace

TEST(StatusIconPainter, RedDotOnlyWhenBlocked)
{
    for (int size : {22, 32, 64}) {
        const QPoint dot = StatusIconPainter::dotRect(size).center().toPoint();
        for (auto image : {StatusItemContent::Image::countdown, StatusItemContent::Image::stand,
                           StatusItemContent::Image::moon}) {
            StatusItemContent content;
            content.image = image;
            content.text = QStringLiteral("35m");
            content.redDot = true;
            const QImage with = StatusIconPainter::paint(content, size);
            content.redDot = false;
            const QImage without = StatusIconPainter::paint(content, size);
            ASSERT_EQ(with.size(), QSize(size, size));
            EXPECT_TRUE(isRed(with.pixel(dot))) << size;
            EXPECT_FALSE(isRed(without.pixel(dot))) << size;
            EXPECT_EQ(countPixels(without, isRed), 0) << size;
        }
    }
}

TEST(StatusIconPainter, DrawsTheGlyphOrTheText)
{
    StatusItemContent content;
    const QImage stand = StatusIconPainter::paint(content, 32);
    content.image = StatusItemContent::Image::countdown;
    content.text = QStringLiteral("35m");
    const QImage countdown = StatusIconPainter::paint(content, 32);
    content.text = QStringLiteral("120m");
    const QImage wide = StatusIconPainter::paint(content, 32);

    EXPECT_GT(countPixels(stand, isLight), 20);
    EXPECT_GT(countPixels(countdown, isLight), 20);
    EXPECT_NE(stand, countdown);
    // A long text is shrunk to stay inside the square: the edge columns keep the plate colour.
    for (int y = 0; y < 32; ++y) {
        EXPECT_FALSE(isLight(wide.pixel(0, y)));
        EXPECT_FALSE(isLight(wide.pixel(31, y)));
    }
    EXPECT_EQ(StatusIconPainter::icon(content).availableSizes().size(), 6);
}

TEST(SymbolImage, EveryNamedSymbolExists)
{
    for (const char* name : {"figure.stand", "figure.walk", "moon.zzz", "zzz", "deskclock",
                             "clock.badge.exclamationmark", "exclamationmark.circle"}) {
        const QImage image = SymbolImage::render(QString::fromUtf8(name), 16, Qt::black);
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_GT(countPixels(image, [](QRgb p) { return qAlpha(p) > 128; }), 10) << name;
    }
    EXPECT_TRUE(SymbolImage::render(QStringLiteral("no.such.symbol"), 16, Qt::black).isNull());
}
