#include "BreakManager/BreakState.h"

const std::array<BreakState, 5>& allBreakStates()
{
    static constexpr std::array<BreakState, 5> states{BreakState::idle, BreakState::active,
                                                      BreakState::preAlert, BreakState::onBreak,
                                                      BreakState::disabled};
    return states;
}

QString breakStateRawValue(BreakState state)
{
    switch (state) {
    case BreakState::idle:
        return QStringLiteral("idle");
    case BreakState::active:
        return QStringLiteral("active");
    case BreakState::preAlert:
        return QStringLiteral("preAlert");
    case BreakState::onBreak:
        return QStringLiteral("onBreak");
    case BreakState::disabled:
        return QStringLiteral("disabled");
    }
    return {};
}

std::optional<BreakState> breakStateFromRawValue(const QString& rawValue)
{
    for (BreakState state : allBreakStates()) {
        if (breakStateRawValue(state) == rawValue)
            return state;
    }
    return std::nullopt;
}
