#pragma once

#include "Platform/StatusNotifierItem.h"

// A StatusNotifierItem that records what it is asked; the test accepts its registration and
// clicks it as a host would.
class FakeStatusNotifierItem final : public StatusNotifierItem {
public:
    void setIcon(const QList<Pixmap>& sizes, const QString& text) override
    {
        iconSizes = sizes.size();
        toolTip = text;
    }
    void registerWithWatcher() override { ++registrations; }
    bool hostDrawsMenu() const override { return drawsMenu; }
    void setMenu(const QList<MenuEntry>& entries) override
    {
        menu = entries;
        ++menuUpdates;
    }

    void accept()
    {
        if (onRegistered)
            onRegistered();
    }
    void click(Activation activation, std::optional<QPoint> position)
    {
        if (onActivated)
            onActivated(activation, position);
    }

    bool drawsMenu = false;
    QList<MenuEntry> menu;
    int menuUpdates = 0;
    int registrations = 0;
    qsizetype iconSizes = 0;
    QString toolTip;
};
