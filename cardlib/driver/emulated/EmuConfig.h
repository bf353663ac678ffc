// The emulated cards as the environment describes them (TLV880_EMU_CARDS, TLV880_EMU_VERSION).
// Parsing is strict: a malformed description is reported with the card and key it concerns, and
// the emulated driver then refuses to open rather than run with cards the user did not ask for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tlv880::bus::emu {

constexpr int kMaxEmulatedCards = 32;
constexpr double kDefaultFrequency = 5950000.0;
constexpr double kFastClock = 199065600.0; // reference clock of firmware 202..500
constexpr double kSlowClock = 153000000.0; // reference clock of other firmware
constexpr uint16_t kDefaultPanel = 0x7F00; // all switch lines high: nothing pressed
constexpr uint32_t kDefaultDriverVersion = 521;
constexpr uint8_t kDefaultMasterIdentity = 0x1F; // first card when no id is given
constexpr uint8_t kDefaultSlaveIdentity = 0x0F;  // later cards when no id is given
constexpr uint32_t kDefaultFirmware = 300;

// Failure a card is told to show, so callers can reach their error paths.
enum class CardFault : uint8_t {
    None,
    Resources, // the resource query for the card fails
    Open,      // registering the card's resources fails
    Bar,       // its base address registers read 0: no address space matches
    Io,        // every port transfer to the card fails
};

struct CardSetup {
    uint8_t identity = kDefaultSlaveIdentity;
    uint32_t firmware = kDefaultFirmware;
    double frequency[4] = {kDefaultFrequency, kDefaultFrequency, kDefaultFrequency,
                           kDefaultFrequency};
    double clock = kFastClock;
    uint16_t panel = kDefaultPanel;
    double analogInputs[4] = {0, 0, 0, 0};
    CardFault fault = CardFault::None;
};

// Parses a card list; on failure returns false and sets error to a message naming the card
// (1-based) and the offending text. An empty or blank text is a valid list of no card.
bool ParseCardList(const std::string& text, std::vector<CardSetup>* cards, std::string* error);

// Parses a driver version (decimal, 0..4294967295); empty text gives the default.
bool ParseDriverVersion(const std::string& text, uint32_t* version, std::string* error);

// Reference clock a card counts with when its description does not name one.
double DefaultClock(uint32_t firmware);

} // namespace tlv880::bus::emu
