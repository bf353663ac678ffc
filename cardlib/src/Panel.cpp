#include "Panel.h"

namespace tlv880 {

namespace {
// Switch k is the line with this mask within bits 8..14 of the panel word.
constexpr uint32_t kSwitchLine[7] = {0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x40};
} // namespace

void DecodePanel(PanelState& panel, uint32_t raw, int16_t& pressed, int16_t& knobChange)
{
    const uint32_t lines = (raw >> 8) & 0x7F;
    for (int k = 0; k < 7; ++k) {
        const bool down = (lines & kSwitchLine[k]) != 0;
        if (down && panel.released[k]) {
            panel.latched[k] = 1;
            panel.released[k] = 0;
        } else if (!down) {
            panel.latched[k] = 0;
            panel.released[k] = 1;
        }
    }
    int bits = 0;
    for (int k = 6; k >= 0; --k) {
        bits = bits * 2 + panel.latched[k];
        panel.latched[k] = 0;
    }
    pressed = static_cast<int16_t>(bits);

    const int32_t counter = static_cast<int8_t>(raw & 0xFF);
    const int32_t v = -counter;
    const int32_t d = static_cast<int8_t>(static_cast<uint8_t>((v - panel.previousKnob) & 0xFF));
    knobChange = static_cast<int16_t>(-d);
    panel.previousKnob = v;
}

} // namespace tlv880
