#pragma once
// The checks of the coflux editor forms' entries, for the shared entry guard: a number within
// limits rewritten in its display format, a text cut to its stored width, and whether a box
// still shows a table value.

#include "common/EntryGuard.h"

#include <QString>

namespace coflux {

using tlv::EntryCheck;
using tlv::ParseEntry;

// A limit as the messages print it ("0.1", "9999", "-10").
QString LimitText(double value);

// Inclusive range check: on success the text becomes Format(value, pattern); else the message is
// messageStart + min + " and " + max + " !".
EntryCheck RangeCheck(double min, double max, const QString& pattern, const QString& messageStart);

// Text entry cut to `width` characters; always accepted.
EntryCheck CutCheck(int width);

// True when a box still shows a table value: its number equals the value as the form fills it
// (`pattern`), so a value the display rounds counts as unchanged. Non-numeric text differs.
bool SameNumber(const QString& text, double value, const QString& pattern);

} // namespace coflux
