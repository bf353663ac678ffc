// Front panel of the master card: switch latches (a held switch is reported once) and the knob
// counter's change since the last call.
#pragma once

#include "LibraryState.h"

namespace tlv880 {

// raw: low 16 bits of register 0x10 exclusive-or 0x7F00 (a pressed switch reads 1), or 0.
void DecodePanel(PanelState& panel, uint32_t raw, int16_t& pressed, int16_t& knobChange);

} // namespace tlv880
