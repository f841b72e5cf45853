#pragma once

#include "Windows/WindowController.h"

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

class BreakManager;
class CompositingState;
class CursorAlertView;

// The countdown card that follows the pointer in the last seconds before a break. While it is
// shown the pointer is read every `pollIntervalMs` and the card moved when the pointer moved;
// while it is hidden nothing runs. The card takes no input and never takes focus. Main thread.
class CursorAlertWindowController final : public WindowController {
public:
    static constexpr int pollIntervalMs = 30;
    static constexpr int cursorOffset = 20;
    static inline const QString windowTitle = QStringLiteral("Ostavel Cursor Alert");

    struct ScreenArea {
        QRect frame;
        QRect visibleFrame; // without panels and docks
    };

    // `compositing` is asked at every show() (without one the card is opaque);
    // `pointerPosition` defaults to QCursor::pos().
    CursorAlertWindowController(BreakManager& breakManager,
                                std::shared_ptr<const CompositingState> compositing,
                                std::function<QPoint()> pointerPosition = {});
    ~CursorAlertWindowController() override;

    void show() override;
    void dismiss() override;

    // Where a card of `size` goes for the pointer at `pointer`: `cursorOffset` to its right,
    // or to its left when it would cross the right edge of the visible area of the first screen
    // whose frame holds the pointer (else `mainScreen`), centred vertically on the pointer and
    // not clamped otherwise. None without any screen.
    static std::optional<QPoint> cardPosition(QPoint pointer, QSize size,
                                              const QList<ScreenArea>& screens,
                                              std::optional<ScreenArea> mainScreen);

    CursorAlertView* view() const;
    bool isTracking() const { return m_pollTimer.isActive(); }

private:
    void positionAtCursor();

    BreakManager& m_breakManager;
    std::shared_ptr<const CompositingState> m_compositing;
    std::function<QPoint()> m_pointerPosition;
    QPointer<CursorAlertView> m_view;
    QTimer m_pollTimer;
    std::optional<QPoint> m_lastPointer;
};
