#pragma once

#include "Platform/SoundPlayer.h"
#include "Services/CrashReporting/CrashReportingProtocol.h"
#include "Windows/OnboardingWindowControllerProtocol.h"
#include "Windows/WindowController.h"

#include <QStringList>
#include <functional>

// The app shell's fakes write into one shared story, so a test checks order across them:
// "show break", "sound break-started", "start", "tag beta", ...

class RecordingSoundPlayer final : public SoundPlayer {
public:
    explicit RecordingSoundPlayer(QStringList& story)
        : m_story(story)
    {
    }
    void play(const QString& name) override { m_story << QStringLiteral("sound ") + name; }

private:
    QStringList& m_story;
};

class RecordingWindowController final : public WindowController {
public:
    RecordingWindowController(QStringList& story, QString name)
        : m_story(story)
        , m_name(std::move(name))
    {
    }
    void show() override { m_story << QStringLiteral("show ") + m_name; }
    void dismiss() override { m_story << QStringLiteral("dismiss ") + m_name; }

private:
    QStringList& m_story;
    QString m_name;
};

// Keeps the completion handler so the test decides when (or whether) onboarding completes.
class FakeOnboardingWindowController final : public OnboardingWindowControllerProtocol {
public:
    explicit FakeOnboardingWindowController(std::function<void()>& completion,
                                            std::function<void()>* closed = nullptr)
        : m_completion(completion)
        , m_closed(closed)
    {
    }
    void show(std::function<void()> onComplete, std::function<void()> onClosed) override
    {
        m_completion = std::move(onComplete);
        if (m_closed)
            *m_closed = std::move(onClosed);
    }

private:
    std::function<void()>& m_completion;
    std::function<void()>* m_closed;
};

class FakeCrashReporting final : public CrashReportingProtocol {
public:
    explicit FakeCrashReporting(QStringList& story)
        : m_story(story)
    {
    }
    bool start() override
    {
        m_story << QStringLiteral("start");
        running = true;
        return true;
    }
    void setUpdateChannel(UpdateChannel channel) override
    {
        m_story << QStringLiteral("tag ") + updateChannelRawValue(channel);
    }
    bool isEnabled() const override { return running; }
    void close() override
    {
        m_story << QStringLiteral("close");
        running = false;
    }

    void discardPendingReports() override { m_story << QStringLiteral("discard"); }
    FeedbackSenderProtocol* feedbackSender() override { return nullptr; }

    bool running = false;

private:
    QStringList& m_story;
};
