// Front-panel decoding and the ordering of the cards found at start-up.
#include "CardOrder.h"
#include "Panel.h"

#include <gtest/gtest.h>

namespace tlv880 {
namespace {

uint32_t Raw(uint32_t panelWord)
{
    return (panelWord & 0xFFFF) ^ 0x7F00;
}

TEST(Panel, HeldSwitchIsReportedOnce)
{
    PanelState panel;
    int16_t pressed = -1, knob = -1;
    DecodePanel(panel, Raw(0x7E00), pressed, knob); // line 0x01 low: switch 5
    EXPECT_EQ(pressed, 0x20);
    DecodePanel(panel, Raw(0x7E00), pressed, knob);
    EXPECT_EQ(pressed, 0);
    DecodePanel(panel, Raw(0x7F00), pressed, knob); // released
    EXPECT_EQ(pressed, 0);
    DecodePanel(panel, Raw(0x3E00), pressed, knob); // switch 5 again and switch 6 (line 0x40)
    EXPECT_EQ(pressed, 0x60);
}

TEST(Panel, EverySwitchHasItsLine)
{
    const uint32_t lines[7] = {0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x40};
    for (int k = 0; k < 7; ++k) {
        PanelState panel;
        int16_t pressed = 0, knob = 0;
        DecodePanel(panel, lines[k] << 8, pressed, knob);
        EXPECT_EQ(pressed, 1 << k) << k;
    }
}

TEST(Panel, KnobChangeWrapsAroundTheCounter)
{
    PanelState panel;
    int16_t pressed = 0, knob = 0;
    DecodePanel(panel, Raw(0x7FFF), pressed, knob);
    DecodePanel(panel, Raw(0x7F01), pressed, knob);
    EXPECT_EQ(knob, 2);
    DecodePanel(panel, Raw(0x7FFE), pressed, knob);
    EXPECT_EQ(knob, -3);
    DecodePanel(panel, Raw(0x7FFE), pressed, knob);
    EXPECT_EQ(knob, 0);
    DecodePanel(panel, 0, pressed, knob); // simulate mode reads nothing
    EXPECT_EQ(knob, 2);
}

TEST(CardOrder, MasterFirstThenSlave)
{
    const uint32_t ids[3] = {0x0F0000, 0x1F0000, 0x0F0000};
    int order[3];
    OrderCards(ids, 3, order);
    EXPECT_EQ(order[0], 1);
    EXPECT_EQ(order[1], 0);
    EXPECT_EQ(order[2], 2);
}

TEST(CardOrder, RemainingCardsSortedByTheirIdentityRegister)
{
    const uint32_t ids[5] = {0x0F0003, 0x0F0002, 0x1E0000, 0x0F0001, 0x0F0000};
    int order[5];
    OrderCards(ids, 5, order);
    EXPECT_EQ(order[0], 2); // the master
    EXPECT_EQ(order[1], 1); // already a slave: stays
    EXPECT_EQ(ids[order[2]], 0x0F0000u);
    EXPECT_EQ(ids[order[3]], 0x0F0001u);
    EXPECT_EQ(ids[order[4]], 0x0F0003u);
}

TEST(CardOrder, EachLaterSlaveSwapsIntoPositionOne)
{
    const uint32_t ids[4] = {0x1F0000, 0x000000, 0x0F0002, 0x0F0001};
    int order[4];
    OrderCards(ids, 4, order);
    EXPECT_EQ(order[0], 0);
    EXPECT_EQ(order[1], 3);
    EXPECT_EQ(order[2], 1); // then ascending: 0x000000 before 0x0F0002
    EXPECT_EQ(order[3], 2);
}

TEST(CardOrder, SingleCardStays)
{
    const uint32_t ids[1] = {0x0F0000};
    int order[1] = {7};
    OrderCards(ids, 1, order);
    EXPECT_EQ(order[0], 0);
}

} // namespace
} // namespace tlv880
