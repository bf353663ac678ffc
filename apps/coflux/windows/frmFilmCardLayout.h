#pragma once
// What the installed cards offer, as the coflux editor forms lay themselves out: the sensors and
// outputs of one or two cards, and the master card's analog board. With no card the program
// simulates, and the forms keep their full, designed layout (as the main window does).

#include "ProcessTables.h"
#include "instrument/cTLV880a.h"

namespace coflux {

// Sensors shown by the forms: 4 with one card, all 8 configured sensors otherwise.
inline int ShownSensorCount(cTLV880a& tlv)
{
    return tlv.NumCards() == 1 ? 4 : kConfiguredSensors;
}

// True when the second card's sensors and outputs take part (two or more cards, or none).
inline bool HasSecondCard(cTLV880a& tlv)
{
    return tlv.NumCards() != 1;
}

// True when the analog inputs take part: the master card reports an analog board, or no card.
inline bool HasAnalogBoard(cTLV880a& tlv)
{
    return tlv.NumCards() == 0 || tlv.Revision(7) != 0;
}

} // namespace coflux
