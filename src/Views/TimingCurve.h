#pragma once

#include <QEasingCurve>
#include <QPointF>

// The standard ease curves of the designs (cubic Béziers with the usual control points), so
// every fade, slide and hover of the break surfaces moves alike.
namespace TimingCurve {
inline QEasingCurve bezier(qreal x1, qreal y1, qreal x2, qreal y2)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(x1, y1), QPointF(x2, y2), QPointF(1, 1));
    return curve;
}
inline QEasingCurve easeIn()
{
    return bezier(0.42, 0, 1, 1);
}
inline QEasingCurve easeOut()
{
    return bezier(0, 0, 0.58, 1);
}
inline QEasingCurve easeInOut()
{
    return bezier(0.42, 0, 0.58, 1);
}
} // namespace TimingCurve
