#pragma once

#include <QMetaType>
#include <QString>
#include <array>
#include <optional>

// The engine's state. Never persisted; the raw values exist only for conversion and hashing.
enum class BreakState { idle, active, preAlert, onBreak, disabled };

const std::array<BreakState, 5>& allBreakStates();
QString breakStateRawValue(BreakState state);
std::optional<BreakState> breakStateFromRawValue(const QString& rawValue);

Q_DECLARE_METATYPE(BreakState)
