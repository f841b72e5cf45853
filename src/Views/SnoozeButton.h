#pragma once

#include <QVariantAnimation>
#include <QWidget>

class BreakManager;
class OstavelButton;
class QGraphicsOpacityEffect;

// The pill's snooze control: a resting "Snooze" capsule that, while the pointer is over the
// control, cross-fades into two options, the configured snooze length and five minutes. Each
// option snoozes the engine for exactly its own length. The control always takes the room of
// the two options, so hovering anywhere there opens it. Main thread.
class SnoozeButton : public QWidget {
    Q_OBJECT

public:
    static constexpr int fadeMs = 200;
    static constexpr double fiveMinutes = 300;

    explicit SnoozeButton(BreakManager& breakManager, QWidget* parent = nullptr);

    bool isExpanded() const { return m_isExpanded; }
    // The two options, configured length first.
    QList<OstavelButton*> options() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void setExpanded(bool expanded);
    void applyExpansion(qreal expansion);
    void relabel();
    void snooze(double seconds);

    BreakManager& m_breakManager;
    bool m_isExpanded = false;
    double m_configuredSeconds = 0;
    QWidget* m_row;
    QGraphicsOpacityEffect* m_rowOpacity;
    OstavelButton* m_configuredOption;
    OstavelButton* m_fiveMinuteOption;
    class SnoozeCapsule* m_capsule;
    QVariantAnimation m_fade;
};
