// The environment's description of the emulated cards: defaults, keys and clear refusals.
#include "emulated/EmuConfig.h"

#include <gtest/gtest.h>

namespace tlv880::bus::emu {
namespace {

std::vector<CardSetup> parse(const std::string& text)
{
    std::vector<CardSetup> cards;
    std::string error;
    EXPECT_TRUE(ParseCardList(text, &cards, &error)) << error;
    return cards;
}

std::string refusal(const std::string& text)
{
    std::vector<CardSetup> cards(1);
    std::string error;
    EXPECT_FALSE(ParseCardList(text, &cards, &error)) << text;
    EXPECT_EQ(cards.size(), 1u) << "a refused list leaves the cards alone";
    return error;
}

TEST(EmuConfigTest, DefaultsFollowTheFirmware)
{
    const auto cards = parse("fw=300; id=1e,fw=201 ;id=0F,fw=501");
    ASSERT_EQ(cards.size(), 3u);
    EXPECT_EQ(cards[0].identity, 0x1F); // first card without id: master
    EXPECT_EQ(cards[0].clock, 199065600.0);
    EXPECT_EQ(cards[0].panel, 0x7F00);
    for (double f : cards[0].frequency)
        EXPECT_EQ(f, 5950000.0);
    EXPECT_EQ(cards[0].fault, CardFault::None);
    EXPECT_EQ(cards[1].identity, 0x1E);
    EXPECT_EQ(cards[1].firmware, 201u);
    EXPECT_EQ(cards[1].clock, 153000000.0);
    EXPECT_EQ(cards[2].clock, 153000000.0);
    EXPECT_EQ(parse("id=1F;fw=202")[1].identity, 0x0F); // later cards without id: slaves
    EXPECT_EQ(parse("fw=202")[0].clock, 199065600.0);
    EXPECT_EQ(parse("fw=500")[0].clock, 199065600.0);
}

TEST(EmuConfigTest, EveryKeyIsTakenUp)
{
    const auto cards = parse("id=1E,fw=300,f0=0,f=5800000,f3=5500000.5,clock=150000000,"
                             "panel=7e05,ain=1.5/-2/0/10,fail=io");
    ASSERT_EQ(cards.size(), 1u);
    const CardSetup& card = cards[0];
    EXPECT_EQ(card.frequency[0], 0.0); // f0 overrides f although given before it
    EXPECT_EQ(card.frequency[1], 5800000.0);
    EXPECT_EQ(card.frequency[2], 5800000.0);
    EXPECT_EQ(card.frequency[3], 5500000.5);
    EXPECT_EQ(card.clock, 150000000.0);
    EXPECT_EQ(card.panel, 0x7E05);
    EXPECT_EQ(card.analogInputs[0], 1.5);
    EXPECT_EQ(card.analogInputs[1], -2.0);
    EXPECT_EQ(card.analogInputs[3], 10.0);
    EXPECT_EQ(card.fault, CardFault::Io);
    EXPECT_EQ(parse("fail=open")[0].fault, CardFault::Open);
    EXPECT_EQ(parse("fail=Resources")[0].fault, CardFault::Resources);
    EXPECT_EQ(parse("FAIL=bar")[0].fault, CardFault::Bar);
}

TEST(EmuConfigTest, EmptyEntriesAreNoCards)
{
    EXPECT_TRUE(parse("").empty());
    EXPECT_TRUE(parse("  ").empty());
    EXPECT_TRUE(parse(";;").empty());
    EXPECT_EQ(parse("id=1F;;id=0F;").size(), 2u);
    EXPECT_EQ(parse("id=1F,,fw=300").size(), 1u);
}

TEST(EmuConfigTest, BadDescriptionsAreRefusedWithTheCardAndText)
{
    EXPECT_NE(refusal("id=1F;id=0F,colour=red").find("card 2: unknown key \"colour\""),
              std::string::npos);
    EXPECT_NE(refusal("id=1G").find("id="), std::string::npos);
    EXPECT_NE(refusal("id=100").find("card 1"), std::string::npos);
    EXPECT_NE(refusal("fw=3.5").find("fw"), std::string::npos);
    EXPECT_NE(refusal("fw=-1").find("fw"), std::string::npos);
    EXPECT_NE(refusal("fw=65536").find("fw"), std::string::npos);
    EXPECT_NE(refusal("f=-5").find("f must"), std::string::npos);
    EXPECT_NE(refusal("f=5.9MHz").find("f must"), std::string::npos);
    EXPECT_NE(refusal("f1=nan").find("f1"), std::string::npos);
    EXPECT_NE(refusal("clock=0").find("clock"), std::string::npos);
    EXPECT_NE(refusal("panel=1FFFF").find("panel"), std::string::npos);
    EXPECT_NE(refusal("ain=1/2/3").find("four voltages"), std::string::npos);
    EXPECT_NE(refusal("ain=1/2/x/4").find("four voltages"), std::string::npos);
    EXPECT_NE(refusal("fail=sometimes").find("fail"), std::string::npos);
    EXPECT_NE(refusal("id").find("not key=value"), std::string::npos);
    EXPECT_NE(refusal("id=1F,ID=0F").find("given twice"), std::string::npos);
    EXPECT_NE(refusal("id=").find("id"), std::string::npos);

    std::string many;
    for (int i = 0; i < kMaxEmulatedCards + 1; ++i)
        many += "id=0F;";
    EXPECT_NE(refusal(many).find("more than 32"), std::string::npos);
}

TEST(EmuConfigTest, DriverVersion)
{
    uint32_t version = 0;
    std::string error;
    ASSERT_TRUE(ParseDriverVersion("", &version, &error));
    EXPECT_EQ(version, 521u);
    ASSERT_TRUE(ParseDriverVersion(" 520 ", &version, &error));
    EXPECT_EQ(version, 520u);
    EXPECT_FALSE(ParseDriverVersion("5.21", &version, &error));
    EXPECT_NE(error.find("TLV880_EMU_VERSION"), std::string::npos);
    EXPECT_FALSE(ParseDriverVersion("4294967296", &version, &error));
    EXPECT_EQ(version, 520u);
}

} // namespace
} // namespace tlv880::bus::emu
