#pragma once

#include <QLabel>
#include <QPointer>

// The small "info.circle" beside a setting: hovering shows its text in a bubble above it at
// once (no tooltip delay), wrapped at 200 px and never cut; leaving hides it.
class InfoTip : public QLabel {
    Q_OBJECT

public:
    explicit InfoTip(const QString& text, QWidget* parent = nullptr);
    ~InfoTip() override;

    QString text() const { return m_text; }
    // The bubble while it is shown; null otherwise.
    QWidget* bubble() const { return m_bubble; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setHovering(bool hovering);

    QString m_text;
    QPointer<QWidget> m_bubble;
};
