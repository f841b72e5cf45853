#include "Views/OstavelButton.h"
#include "Views/OstavelButtonStyle.h"

#include <QCursor>
#include <QEnterEvent>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {
using Size = OstavelButtonStyle::Size;
using Shape = OstavelButtonStyle::Shape;

enum class Look { resting, hovered, pressed, pressedHovered };

// The painted button over black, after its animations have settled.
QImage paintedButton(OstavelButton& button, Look look)
{
    // Pills wide enough that the pressed shrink leaves a bare margin beyond the ring.
    QSize size = button.sizeHint();
    if (button.style().shape == Shape::pill)
        size.setWidth(std::max(size.width(), 200));
    button.resize(size);
    button.show();
    if (look == Look::hovered || look == Look::pressedHovered) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QCoreApplication::sendEvent(&button, &enter);
    }
    if (look == Look::pressed || look == Look::pressedHovered)
        QTest::mousePress(&button, Qt::LeftButton, {}, button.rect().center());
    QTest::qWait(OstavelButtonStyle::hoverAnimationMs + 60);
    QImage image(button.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    button.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}
} // namespace

// What a person sees of each variant in each state: the painted fill (white or accent over black,
// sampled beside the label), the size from the padding table, the ring and the pressed shrink.
TEST(ButtonStyleTest, PaintsTheTablesFillsPaddingsBorderAndScale)
{
    QCursor::setPos(-500, -500);
    struct Row {
        OstavelButtonStyle style;
        Look look;
        qreal alpha;
    };
    const Row rows[] = {
        {{Size::regular, Shape::pill, true}, Look::resting, 0.85},
        {{Size::regular, Shape::pill, true}, Look::hovered, 1.0},
        {{Size::regular, Shape::pill, true}, Look::pressedHovered, 0.7},
        {{Size::regular, Shape::pill, false}, Look::resting, 0.18},
        {{Size::regular, Shape::pill, false}, Look::hovered, 0.3},
        {{Size::regular, Shape::pill, false}, Look::pressed, 0.18},
        {{Size::large, Shape::pill, false}, Look::pressedHovered, 0.18},
        {{Size::large, Shape::pill, false}, Look::hovered, 0.3},
        {{Size::regular, Shape::circle, false}, Look::hovered, 0.3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "size " << int(row.style.size) << " shape " << int(row.style.shape)
                     << " accent " << row.style.isAccent << " look " << int(row.look));
        OstavelButton button(row.style, QStringLiteral("Skip"));
        const bool pressed = row.look == Look::pressed || row.look == Look::pressedHovered;
        const bool hovered = row.look == Look::hovered || row.look == Look::pressedHovered;
        EXPECT_NEAR(row.style.fill(pressed, hovered).alphaF(), row.alpha, 0.001);

        // Size: the label plus the table's padding (a circle is square).
        const QFontMetrics metrics(row.style.font());
        const OstavelButtonStyle::Padding padding = row.style.padding();
        const int width =
            metrics.horizontalAdvance(QStringLiteral("Skip")) + 2 * padding.horizontal;
        const int height = metrics.height() + 2 * padding.vertical;
        if (row.style.shape == Shape::circle) {
            EXPECT_EQ(padding.horizontal, 8);
            EXPECT_EQ(padding.vertical, 8);
            EXPECT_EQ(button.sizeHint(), QSize(std::max(width, height), std::max(width, height)));
        } else {
            EXPECT_EQ(button.sizeHint(), QSize(width, height));
        }

        const QImage image = paintedButton(button, row.look);
        // Beside the label, inside the shape, away from the ring.
        const QPoint sample(image.width() / 2, padding.vertical / 2 + 2);
        const QColor expected = row.style.fill(pressed, hovered);
        const QColor seen = image.pixelColor(sample);
        EXPECT_NEAR(seen.red(), expected.red() * expected.alphaF(), 3);
        EXPECT_NEAR(seen.blue(), expected.blue() * expected.alphaF(), 3);

        // Pressed: the shape shrinks to 0.95 about its centre, so the middle of the left edge
        // is bare, and the gray ring shows just inside the shrunk outline.
        const QColor edge = image.pixelColor(0, image.height() / 2);
        if (pressed) {
            EXPECT_EQ(edge, QColor(Qt::black)) << "not scaled down";
            const int ringX = int(image.width() * (1 - OstavelButtonStyle::pressedScale) / 2);
            if (row.style.shape == Shape::pill) {
                EXPECT_GT(image.pixelColor(ringX, image.height() / 2).green(),
                          expected.green() * expected.alphaF() + 20)
                    << "no ring";
            }
        } else if (row.style.shape == Shape::pill) {
            EXPECT_GT(std::max(edge.red(), edge.blue()), 10) << "fill does not reach the edge";
        }
    }
}

// Hover follows enter and leave without the window being active, and a click still lands.
TEST(ButtonStyleTest, HoverAndClickWorkInAnInactiveWindow)
{
    QCursor::setPos(-500, -500);
    OstavelButton button({Size::large, Shape::pill, false}, QStringLiteral("Lock Screen"));
    button.resize(button.sizeHint());
    button.show();
    ASSERT_FALSE(button.isActiveWindow());
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.isHovered());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.isHovered());

    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(2, button.height() / 2));
    EXPECT_EQ(clicked.count(), 1);
}
