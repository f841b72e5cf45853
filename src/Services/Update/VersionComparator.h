#pragma once

#include <QString>

// Orders version texts such as "1.9", "1.10", "2.0b1" and "2.0 beta 2". The text is split into
// runs of digits and runs of letters; anything else only separates runs. Runs compare in order:
// digits by value (1.10 > 1.9), letters case-insensitively, and a letter run is older than a digit
// run in the same place (2.0b1 < 2.0.1). When one text runs out, a remaining letter run marks a
// pre-release (2.0b1 < 2.0) and remaining zeros change nothing (1.0 == 1.0.0).
namespace VersionComparator {
// Negative when a is older than b, zero when equal, positive when a is newer.
int compare(const QString& a, const QString& b);
} // namespace VersionComparator
