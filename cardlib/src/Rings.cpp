#include "Rings.h"

namespace tlv880 {

namespace {

template <typename Index> Index NextIndex(Index index)
{
    return static_cast<Index>(index >= kRingSlots - 1 ? 0 : index + 1);
}

template <typename Index> int UnreadCount(Index writeIndex, Index readIndex)
{
    int n = writeIndex - readIndex;
    return n < 0 ? n + kRingSlots : n;
}

} // namespace

ReadingSlot& AdvanceReadingRing(ReadingRing& ring)
{
    ring.writeIndex = NextIndex(ring.writeIndex);
    if (ring.writeIndex == ring.readIndex) ring.readIndex = NextIndex(ring.readIndex);
    return ring.slots[ring.writeIndex];
}

double* AdvanceAnalogRing(AnalogRing& ring)
{
    ring.writeIndex = NextIndex(ring.writeIndex);
    if (ring.writeIndex == ring.readIndex) ring.readIndex = NextIndex(ring.readIndex);
    return ring.slots[ring.writeIndex];
}

int PreviousSlotIndex(int index)
{
    return index <= 0 ? kRingSlots - 1 : index - 1;
}

void ResetRings(LibraryState& s)
{
    s.readings.writeIndex = 0;
    s.readings.readIndex = 0;
    s.analog.writeIndex = 0;
    s.analog.readIndex = 0;
}

void CopyPowers(const LibraryState& s, const double* source, double* power)
{
    for (int o = 0; o < s.outputCount && o < kOutputs; ++o)
        power[o] = source[o];
    power[kAnalogOutputA] = source[kAnalogOutputA];
    power[kAnalogOutputB] = source[kAnalogOutputB];
}

int TakeReading(LibraryState& s, double* readings, double* power)
{
    ReadingRing& ring = s.readings;
    if (ring.readIndex == ring.writeIndex) return 0;
    const int n = UnreadCount(ring.writeIndex, ring.readIndex);
    ring.readIndex = NextIndex(ring.readIndex);
    const ReadingSlot& slot = ring.slots[ring.readIndex];
    CopyPowers(s, slot.power, power);
    for (int i = 0; i < s.sensorCount && i < kSensors; ++i) {
        readings[i] = slot.rate[i];
        readings[kSensors + i] = slot.thickness[i];
        readings[2 * kSensors + i] = slot.frequency[i];
    }
    return n;
}

int TakeAnalogReading(LibraryState& s, double* analog, double* power)
{
    AnalogRing& ring = s.analog;
    if (ring.readIndex == ring.writeIndex) return 0;
    const int n = UnreadCount(ring.writeIndex, ring.readIndex);
    ring.readIndex = NextIndex(ring.readIndex);
    for (int a = 0; a < kAnalogInputs; ++a)
        analog[a] = ring.slots[ring.readIndex][a];
    CopyPowers(s, s.readings.slots[s.readings.readIndex].power, power);
    return n;
}

} // namespace tlv880
