// One virtual TLV-880 card: its register file, four crystals that lose frequency while the
// card's outputs drive power, the measurement timer behind the ready bit, and, on a master card
// with analog section (identity 0x1E), the four-input analog converter. Attached to a chamber,
// its outputs drive the chamber's sources and the chamber's crystals answer its count
// registers; its own channels without a chamber crystal then keep their frequency.
// Not thread-safe by itself: the emulated bus serialises every access under its own mutex.
#pragma once

#include "Chamber.h"
#include "EmuConfig.h"
#include "driver/EmulatedCards.h"

#include <chrono>
#include <cstdint>

namespace tlv880::bus::emu {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;

// Time base of the period register.
constexpr uint64_t kPeriodTimeBaseHz = 15625;
// Size of a card's register window.
constexpr uint32_t kRegisterWindow = 0x40;
constexpr uint8_t kAnalogMasterIdentity = 0x1E;
constexpr int kCodesFullScale = 32760;

class EmulatedCard {
public:
    EmulatedCard(const CardSetup& setup, TimePoint now);

    uint32_t read(uint32_t offset, TimePoint now);
    void write(uint32_t offset, uint32_t value, TimePoint now);

    // From now on the card's outputs and crystals are those of the chamber (card: its index in
    // scan order); nullptr detaches it.
    void attachChamber(Chamber* chamber, int card)
    {
        chamber_ = chamber;
        index_ = card;
    }
    // Replaces a chamber crystal by a fresh one at its initial frequency.
    void replaceCrystal(int channel, TimePoint now);

    const CardSetup& setup() const { return setup_; }
    bool hasAnalogSection() const { return setup_.identity == kAnalogMasterIdentity; }
    uint32_t lastWrite(uint32_t offset) const;

    // Current crystal frequency (0: no crystal), after the deposition up to now.
    double frequency(int channel, TimePoint now);
    void setFrequency(int channel, double hz, TimePoint now);
    void setPanel(uint16_t panel) { setup_.panel = panel; }
    void setAnalogInput(int input, double volts) { setup_.analogInputs[input] = volts; }

    // The count a channel latches for the programmed gate at its current frequency.
    uint32_t count(int channel, TimePoint now);
    // Output power fraction 0..1 that output half m (0 even, 1 odd) of register 0x08 drives.
    double outputPower(int half) const { return power_[half]; }

    // Converter result of an input voltage: 20 bits, 0x80000 at 0 V, falling with the voltage.
    static uint32_t RawFromVolts(double volts);

private:
    enum class Converter : uint8_t { Idle, Converting, Ready };

    void depositUntil(TimePoint now);
    void updateConverter(TimePoint now);
    void controlConverter(uint32_t value, TimePoint now);
    bool measurementFinished(TimePoint now) const;

    CardSetup setup_;
    Chamber* chamber_ = nullptr;
    int index_ = 0;
    uint32_t written_[kRegisterWindow / 4] = {};

    double power_[2] = {0, 0};
    TimePoint depositedUntil_;

    bool measuring_ = false;
    TimePoint restartedAt_;

    Converter converter_ = Converter::Idle;
    int converterChannel_ = 0; // the input being converted, or the next one
    TimePoint conversionStarted_;
    uint32_t results_[4] = {0x80000, 0x80000, 0x80000, 0x80000};
};

} // namespace tlv880::bus::emu
