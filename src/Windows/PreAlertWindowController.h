#pragma once

#include "Windows/WindowController.h"

#include <QPointer>
#include <QRect>
#include <memory>

class BreakManager;
class CompositingState;
class PreAlertPillView;

// The pre-alert pill at the top centre of the primary screen: it slides down and fades in when
// shown and slides up and fades out when dismissed. It never takes the keyboard; its buttons act
// on the first click. A leaving pill is no longer the controller's and takes no clicks, so a
// show() right after a dismiss() builds a fresh one beside it. Main thread.
//
// The panel is as wide as the card (480), not narrower, so the card's buttons are never cut.
class PreAlertWindowController final : public WindowController {
public:
    static constexpr int topMargin = 40;
    static constexpr int slideDistance = 20;
    static constexpr int showMs = 250;
    static constexpr int dismissMs = 200;
    static inline const QString windowTitle = QStringLiteral("Ostavel Pre-Alert");

    // `compositing` is asked at every show(); without one the pill is opaque.
    PreAlertWindowController(BreakManager& breakManager,
                             std::shared_ptr<const CompositingState> compositing);
    ~PreAlertWindowController() override;

    void show() override;
    void dismiss() override;

    // The pill's resting frame on a screen of `screenGeometry`: centred, 40 below the top.
    static QRect finalFrame(const QRect& screenGeometry);

    PreAlertPillView* view() const;

private:
    BreakManager& m_breakManager;
    std::shared_ptr<const CompositingState> m_compositing;
    QPointer<PreAlertPillView> m_view;
};
