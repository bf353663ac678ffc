// Hand-over of measured data from the library's threads to the callers: advancing the rings'
// write index (dropping the oldest unread slot when the writer catches up) and taking the oldest
// unread slot. Callers hold the state mutex around both sides, so a reader never sees a slot the
// writer is still filling: the writer advances and fills within one locked section.
#pragma once

#include "LibraryState.h"

namespace tlv880 {

// Advances the write index (9 wraps to 0), pushing the read index on when it would be caught up.
// Returns the slot to fill.
ReadingSlot& AdvanceReadingRing(ReadingRing& ring);
double* AdvanceAnalogRing(AnalogRing& ring);

// Index of the slot before the current write slot (0 wraps to 9).
int PreviousSlotIndex(int index);

void ResetRings(LibraryState& s);

// Takes the oldest unread reading slot into readings (72 entries: rate, thickness, frequency by
// sensor below the sensor count) and power (outputs below the output count and 12, 13); entries
// beyond those are left untouched. Returns the number of unread slots before the call, 0 when
// there was none (then nothing is written).
int TakeReading(LibraryState& s, double* readings, double* power);

// Takes the oldest unread analog slot into analog (4 entries) and the power of the reading last
// taken by TakeReading into power. Same return value.
int TakeAnalogReading(LibraryState& s, double* analog, double* power);

// The powers of a reading slot, as the callers see them (below the output count, 12 and 13).
void CopyPowers(const LibraryState& s, const double* source, double* power);

} // namespace tlv880
