#pragma once

#include "BreakManager/BreakManager.h"
#include "Configuration/ConfigurationManager.h"
#include "FakeActivityMonitor.h"
#include "FakeBreakBlockerManager.h"
#include "FakeClock.h"
#include "UserDefaultsReset.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// An engine on fakes whose callbacks and state-name changes are recorded as a story:
// "2040 preAlertStart" means the callback fired when 2040 s of work had been counted.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { resetUserDefaults(); }

    void configure(const std::function<void(Configuration&)>& edit)
    {
        Configuration c = configManager().config();
        edit(c);
        configManager().setConfig(c);
    }

    ConfigurationManager& configManager()
    {
        if (!m_configManager)
            m_configManager = std::make_unique<ConfigurationManager>();
        return *m_configManager;
    }

    BreakManager& engine(bool withBlocker = true)
    {
        if (!m_engine)
            createEngine(withBlocker);
        return *m_engine;
    }

    void createEngine(bool withBlocker = true)
    {
        m_engine.reset();
        m_engine = std::make_unique<BreakManager>(
            activity, configManager(), withBlocker ? &blockers : nullptr, clock, logPath());
        BreakManager* e = m_engine.get();
        auto record = [this, e](const char* name) {
            return [this, e, name] {
                events << QStringLiteral("%1 %2").arg(e->accumulatedWorkTime()).arg(name);
            };
        };
        e->onPreAlertStart = record("preAlertStart");
        e->onPreAlertEnd = record("preAlertEnd");
        e->onBreakStart = record("breakStart");
        e->onBreakEnd = record("breakEnd");
        e->onCursorAlertStart = record("cursorAlertStart");
        e->onCursorAlertEnd = record("cursorAlertEnd");
    }

    // One second of wall time and one tick.
    void tick(int count = 1)
    {
        for (int i = 0; i < count; ++i) {
            clock.advance(1);
            if (activity.idleSeconds > 0)
                activity.idleSeconds += 1;
            engine().tick();
        }
    }

    // Ticks until the state is `state`; fails after `limit` ticks.
    void tickUntil(BreakState state, int limit = 10000)
    {
        for (int i = 0; i < limit && engine().state() != state; ++i)
            tick();
        ASSERT_EQ(engine().state(), state);
    }

    // Ticks until `accumulatedWorkTime` reaches `seconds`.
    void workUntil(double seconds)
    {
        for (int i = 0; i < 100000 && engine().accumulatedWorkTime() < seconds; ++i)
            tick();
        ASSERT_EQ(engine().accumulatedWorkTime(), seconds);
    }

    // The user stops touching anything; idle seconds grow by one per tick from here.
    void walkAway(double alreadyIdle = 1) { activity.idleSeconds = alreadyIdle; }
    void type() { activity.idleSeconds = 0; }

    QString logPath() const { return m_dir.path() + QStringLiteral("/session.log"); }

    // The session log without the "[date time] " prefix.
    QStringList sessionLog() const
    {
        QFile file(logPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (!line.isEmpty())
                lines << QString::fromUtf8(line).section(QStringLiteral("] "), 1);
        }
        return lines;
    }

    FakeClock clock;
    FakeActivityMonitor activity;
    FakeBreakBlockerManager blockers;
    QStringList events;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ConfigurationManager> m_configManager;
    std::unique_ptr<BreakManager> m_engine;
};
