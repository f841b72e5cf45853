#include "App/OstavelApp.h"

#include <gtest/gtest.h>

namespace {
// Sets or clears the two variables for one case and puts them back afterwards.
class PlatformEnvironment {
public:
    PlatformEnvironment(const char* wayland, const char* platform)
        : m_wayland(qgetenv("WAYLAND_DISPLAY"))
        , m_platform(qgetenv("QT_QPA_PLATFORM"))
        , m_hadWayland(qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        , m_hadPlatform(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    {
        set("WAYLAND_DISPLAY", wayland);
        set("QT_QPA_PLATFORM", platform);
    }
    ~PlatformEnvironment()
    {
        set("WAYLAND_DISPLAY", m_hadWayland ? m_wayland.constData() : nullptr);
        set("QT_QPA_PLATFORM", m_hadPlatform ? m_platform.constData() : nullptr);
    }

private:
    static void set(const char* name, const char* value)
    {
        if (value)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    QByteArray m_wayland;
    QByteArray m_platform;
    bool m_hadWayland;
    bool m_hadPlatform;
};
} // namespace

TEST(OstavelApp, WaylandSessionsRunThroughXWayland)
{
    {
        PlatformEnvironment env("wayland-0", nullptr);
        OstavelApp::selectPlatform();
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("xcb"));
    }
    {
        PlatformEnvironment env("wayland-0", "wayland");
        OstavelApp::selectPlatform();
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray("wayland")) << "an explicit choice wins";
    }
    {
        PlatformEnvironment env(nullptr, nullptr);
        OstavelApp::selectPlatform();
        EXPECT_FALSE(qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) << "X11 sessions are left alone";
    }
}
