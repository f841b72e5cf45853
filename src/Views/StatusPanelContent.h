#pragma once

#include "BreakManager/BreakState.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The values the status panel shows, read from the engine and the configuration at one moment.
struct StatusPanelInput {
    BreakState state = BreakState::idle;
    double accumulatedWorkTime = 0;
    double snoozedTime = 0;
    double breakTimeRemaining = 0;
    double timeUntilBreak = 0;
    qint64 completedBreakCount = 0;
    bool isLongBreak = false;
    bool isSnoozed = false;
    bool isOnNaturalBreak = false;
    QDateTime disableEndDate;
    // The blocker manager's cached verdict; false and empty without one.
    bool blocked = false;
    QStringList blockerNames;

    double workDurationSeconds = 0;
    double breakDurationSeconds = 0;
    double longBreakDurationSeconds = 0;
    bool longBreakEnabled = false;
    qint64 longBreakIntervalBreaks = 0;

    QDateTime now;
};

// What the status panel draws for a StatusPanelInput: a pure function, so every text and bar is
// tested without a window.
struct StatusPanelContent {
    enum class Tone { secondary, red, orange };
    enum class Tint { accent, orange, red, green };
    struct Line {
        QString text;
        Tone tone = Tone::secondary;
        friend bool operator==(const Line&, const Line&) = default;
    };
    struct Progress {
        double value = 0;
        Tint tint = Tint::accent;
        friend bool operator==(const Progress&, const Progress&) = default;
    };

    QString title;
    // A symbol name for SymbolImage.
    QString symbol;
    // Empty when the panel has no time line (disabled without an end date).
    QString timeLine;
    QList<Line> details;
    std::optional<Progress> progress;

    friend bool operator==(const StatusPanelContent&, const StatusPanelContent&) = default;

    static StatusPanelContent make(const StatusPanelInput& input);

    // "Mm" below an hour, then "Hh Mm"; a past date reads 0m.
    static QString formatDisableRemaining(const QDateTime& endDate, const QDateTime& now);
};
