#include "EmuConfig.h"

#include "NumberText.h"

namespace tlv880::bus::emu {

namespace {

bool parseFault(const std::string& text, CardFault* fault)
{
    const std::string name = Lower(Trimmed(text));
    if (name == "resources")
        *fault = CardFault::Resources;
    else if (name == "open")
        *fault = CardFault::Open;
    else if (name == "bar")
        *fault = CardFault::Bar;
    else if (name == "io")
        *fault = CardFault::Io;
    else if (name == "none")
        *fault = CardFault::None;
    else
        return false;
    return true;
}

// Applies one key=value of a card; returns an empty string or what is wrong with it.
struct KeyState {
    bool clockGiven = false;
    bool channelGiven[4] = {false, false, false, false};
    double channelFrequency[4] = {0, 0, 0, 0};
};

// Applies one key=value of a card; returns an empty string or what is wrong with it. Channel
// frequencies (f0..f3) are kept aside so that they override f whatever the order.
std::string applyKey(const std::string& key, const std::string& value, CardSetup& card,
                     KeyState& state)
{
    uint64_t number = 0;
    if (key == "id") {
        if (!ParseUnsignedText(value, 16, 0xFF, &number)) return "id must be a hex identity 00..FF";
        card.identity = static_cast<uint8_t>(number);
    } else if (key == "fw") {
        if (!ParseUnsignedText(value, 10, 0xFFFF, &number)) return "fw must be a decimal 0..65535";
        card.firmware = static_cast<uint32_t>(number);
    } else if (key == "f") {
        double hz = 0;
        if (!ParseNumberText(value, &hz) || hz < 0) return "f must be a frequency in Hz, 0 or more";
        for (double& f : card.frequency)
            f = hz;
    } else if (key.size() == 2 && key[0] == 'f' && key[1] >= '0' && key[1] <= '3') {
        double hz = 0;
        if (!ParseNumberText(value, &hz) || hz < 0)
            return key + " must be a frequency in Hz, 0 or more";
        state.channelGiven[key[1] - '0'] = true;
        state.channelFrequency[key[1] - '0'] = hz;
    } else if (key == "clock") {
        double hz = 0;
        if (!ParseNumberText(value, &hz) || hz <= 0)
            return "clock must be a frequency in Hz above 0";
        card.clock = hz;
        state.clockGiven = true;
    } else if (key == "panel") {
        if (!ParseUnsignedText(value, 16, 0xFFFF, &number)) return "panel must be hex 0000..FFFF";
        card.panel = static_cast<uint16_t>(number);
    } else if (key == "ain") {
        const std::vector<std::string> volts = SplitText(value, '/');
        if (volts.size() != 4) return "ain must be four voltages v0/v1/v2/v3";
        for (int a = 0; a < 4; ++a) {
            if (!ParseNumberText(volts[static_cast<size_t>(a)], &card.analogInputs[a]))
                return "ain must be four voltages v0/v1/v2/v3";
        }
    } else if (key == "fail") {
        if (!parseFault(value, &card.fault)) return "fail must be one of resources, open, bar, io";
    } else {
        return "unknown key \"" + key + "\"";
    }
    return {};
}

} // namespace

double DefaultClock(uint32_t firmware)
{
    return firmware >= 202 && firmware <= 500 ? kFastClock : kSlowClock;
}

bool ParseCardList(const std::string& text, std::vector<CardSetup>* cards, std::string* error)
{
    std::vector<CardSetup> result;
    for (const std::string& rawCard : SplitText(text, ';')) {
        const std::string cardText = Trimmed(rawCard);
        if (cardText.empty()) continue;
        const int number = static_cast<int>(result.size()) + 1;
        if (number > kMaxEmulatedCards) {
            *error = "TLV880_EMU_CARDS: more than " + std::to_string(kMaxEmulatedCards) + " cards";
            return false;
        }
        CardSetup card;
        card.identity = number == 1 ? kDefaultMasterIdentity : kDefaultSlaveIdentity;
        KeyState state;
        std::vector<std::string> seen;
        for (const std::string& rawItem : SplitText(cardText, ',')) {
            const std::string item = Trimmed(rawItem);
            if (item.empty()) continue;
            const size_t equals = item.find('=');
            const std::string prefix = "TLV880_EMU_CARDS card " + std::to_string(number) + ": ";
            if (equals == std::string::npos) {
                *error = prefix + "\"" + item + "\" is not key=value";
                return false;
            }
            const std::string key = Lower(Trimmed(item.substr(0, equals)));
            for (const std::string& earlier : seen) {
                if (earlier == key) {
                    *error = prefix + "key \"" + key + "\" given twice";
                    return false;
                }
            }
            seen.push_back(key);
            const std::string problem = applyKey(key, item.substr(equals + 1), card, state);
            if (!problem.empty()) {
                *error = prefix + problem + " (got \"" + item + "\")";
                return false;
            }
        }
        for (int channel = 0; channel < 4; ++channel) {
            if (state.channelGiven[channel])
                card.frequency[channel] = state.channelFrequency[channel];
        }
        if (!state.clockGiven) card.clock = DefaultClock(card.firmware);
        result.push_back(card);
    }
    *cards = std::move(result);
    return true;
}

bool ParseDriverVersion(const std::string& text, uint32_t* version, std::string* error)
{
    if (Trimmed(text).empty()) {
        *version = kDefaultDriverVersion;
        return true;
    }
    uint64_t number = 0;
    if (!ParseUnsignedText(text, 10, 0xFFFFFFFFull, &number)) {
        *error = "TLV880_EMU_VERSION must be a decimal version number (got \"" + text + "\")";
        return false;
    }
    *version = static_cast<uint32_t>(number);
    return true;
}

} // namespace tlv880::bus::emu
