#pragma once

#include <QWidget>

// The first-run hint that points at the tray icon: two centred lines in a small frameless panel
// that takes no focus and never closes by itself (MenuBarHintController closes it).
class MenuBarHintView : public QWidget {
    Q_OBJECT

public:
    static inline const QString text =
        QStringLiteral("Ostavel lives in your menu bar.\nClick here anytime to access settings.");

    explicit MenuBarHintView(QWidget* parent = nullptr);

    // Below `anchor` (the tray icon, in global coordinates), kept on its screen; at the top
    // right of the primary screen when the anchor is unknown.
    void showNear(const QRect& anchor);

protected:
    void paintEvent(QPaintEvent* event) override;
};
