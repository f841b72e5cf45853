#pragma once

#include <QString>

// Every text the views make of a number of seconds. Seconds are truncated toward zero; NaN,
// infinities and magnitudes beyond a 64-bit count (a hand-edited store) give a defined text,
// never undefined behaviour.
namespace DurationText {
// "m:ss" with minutes unbounded; below zero and NaN read "0:00". The status panel's times and the
// break countdown.
QString clock(double seconds);
// "Ns" up to 59 s, then "Mm Ss": when the next break is due, in the status panel.
QString dueIn(double seconds);
// "Now" below one second (and NaN), "Ns" below a minute, else whole minutes "Nm": the tray icon.
QString trayCountdown(double seconds);
// Whole minutes as "10m", anything else as whole seconds ("90s", "45s" for 45.9); not finite
// reads "0s". The snooze options.
QString snoozeOption(double seconds);
// Whole minutes as "1 min", anything else as whole seconds ("45s", "-5s"); NaN and values beyond
// 64 bits read "—". A duration slider's value.
QString sliderValue(double seconds);
} // namespace DurationText
