#include "EmulatedCard.h"

#include <algorithm>
#include <cmath>

namespace tlv880::bus::emu {

namespace {

constexpr uint32_t kReadyBit = 0x80000000u;
constexpr uint32_t kCountMask = 0x7FFFFFFFu;
constexpr double kVoltsPerCode = 1.907352270798246e-05;

// Register 0x18 control bits of the analog section.
constexpr uint32_t kConverterReset = 0x04;
constexpr uint32_t kConverterStart = 0x10;
constexpr uint32_t kConverterAcknowledge = 0x20;

// Channel whose count each register holds: 0x00 channel 3, 0x04 channel 0, 0x08 channel 1,
// 0x0C channel 2.
constexpr int kCountChannel[4] = {3, 0, 1, 2};

double seconds(TimePoint from, TimePoint to)
{
    return std::chrono::duration<double>(to - from).count();
}

// Splits register 0x08 into the codes of its two outputs, undoing the two's-complement packing
// even × 65536 + odd.
void unpackCodes(uint32_t word, int32_t* even, int32_t* odd)
{
    *odd = static_cast<int16_t>(word & 0xFFFFu);
    const int64_t whole = static_cast<int32_t>(word);
    *even = static_cast<int32_t>((whole - *odd) / 65536);
}

double powerOfCode(int32_t code)
{
    return std::min(1.0, std::abs(static_cast<double>(code)) / kCodesFullScale);
}

} // namespace

EmulatedCard::EmulatedCard(const CardSetup& setup, TimePoint now)
    : setup_(setup), depositedUntil_(now), restartedAt_(now), conversionStarted_(now)
{
}

uint32_t EmulatedCard::RawFromVolts(double volts)
{
    const double raw = 0x80000 - std::round(volts / kVoltsPerCode);
    return static_cast<uint32_t>(std::clamp(raw, 0.0, double{0xFFFFF}));
}

uint32_t EmulatedCard::lastWrite(uint32_t offset) const
{
    return offset < kRegisterWindow ? written_[offset / 4] : 0;
}

void EmulatedCard::depositUntil(TimePoint now)
{
    if (chamber_ || now <= depositedUntil_) return;
    const double elapsed = seconds(depositedUntil_, now);
    depositedUntil_ = now;
    for (int channel = 0; channel < 4; ++channel) {
        double& f = setup_.frequency[channel];
        const double power = power_[channel / 2];
        if (f <= 0 || power <= 0) continue;
        f -= kFallHzPerSecondAtFullPower * power * elapsed;
        if (f <= 0) f = 0; // used up: no crystal any more
    }
}

double EmulatedCard::frequency(int channel, TimePoint now)
{
    if (chamber_ && chamber_->hasCrystal(index_, channel))
        return chamber_->reading(index_, channel, now);
    depositUntil(now);
    return setup_.frequency[channel];
}

void EmulatedCard::setFrequency(int channel, double hz, TimePoint now)
{
    if (chamber_ && chamber_->hasCrystal(index_, channel)) {
        chamber_->replaceCrystal(index_, channel, std::max(0.0, hz), now);
        return;
    }
    depositUntil(now);
    setup_.frequency[channel] = std::max(0.0, hz);
}

void EmulatedCard::replaceCrystal(int channel, TimePoint now)
{
    if (chamber_) chamber_->replaceCrystal(index_, channel, -1, now);
}

uint32_t EmulatedCard::count(int channel, TimePoint now)
{
    const double f = frequency(channel, now);
    if (f <= 0) return 0;
    const uint32_t gate = ~written_[0x04 / 4];
    const long double counts =
        static_cast<long double>(gate) * static_cast<long double>(setup_.clock) / f;
    if (counts >= kCountMask) return kCountMask;
    return static_cast<uint32_t>(counts);
}

bool EmulatedCard::measurementFinished(TimePoint now) const
{
    if (!measuring_ || now < restartedAt_) return false;
    const uint64_t periodCounts = ~written_[0x00 / 4];
    // One period count is 1/15625 s = 64 us.
    const auto period = std::chrono::microseconds(periodCounts * (1000000 / kPeriodTimeBaseHz));
    return now - restartedAt_ >= period;
}

void EmulatedCard::updateConverter(TimePoint now)
{
    if (converter_ != Converter::Converting || now - conversionStarted_ < kConversionTime) return;
    results_[converterChannel_] = RawFromVolts(setup_.analogInputs[converterChannel_]);
    converterChannel_ = (converterChannel_ + 1) & 3;
    converter_ = Converter::Ready;
}

void EmulatedCard::controlConverter(uint32_t value, TimePoint now)
{
    if (value == 0) {
        converter_ = Converter::Idle;
    } else if (value & kConverterReset) {
        converter_ = Converter::Idle;
        converterChannel_ = 0;
    } else if (value & kConverterAcknowledge) {
        if (converter_ == Converter::Ready) converter_ = Converter::Idle;
    } else if ((value & kConverterStart) && converter_ == Converter::Idle) {
        converter_ = Converter::Converting;
        conversionStarted_ = now;
    }
}

uint32_t EmulatedCard::read(uint32_t offset, TimePoint now)
{
    switch (offset) {
    case 0x00:
        return (measurementFinished(now) ? kReadyBit : 0) | count(kCountChannel[0], now);
    case 0x04:
    case 0x08:
    case 0x0C:
        return count(kCountChannel[offset / 4], now);
    case 0x10:
        return setup_.firmware << 16 | setup_.panel;
    case 0x18:
        return uint32_t{setup_.identity} << 16;
    case 0x1C:
    case 0x20:
    case 0x24:
    case 0x28:
        if (!hasAnalogSection()) return 0;
        updateConverter(now);
        return results_[(offset - 0x1C) / 4];
    case 0x2C:
        if (!hasAnalogSection()) return 0;
        updateConverter(now);
        return (converter_ == Converter::Ready ? 0x4u : 0u) |
               static_cast<uint32_t>(converterChannel_);
    default:
        return 0;
    }
}

void EmulatedCard::write(uint32_t offset, uint32_t value, TimePoint now)
{
    if (offset >= kRegisterWindow) return;
    written_[offset / 4] = value;
    switch (offset) {
    case 0x08: {
        depositUntil(now);
        int32_t even = 0, odd = 0;
        unpackCodes(value, &even, &odd);
        power_[0] = powerOfCode(even);
        power_[1] = powerOfCode(odd);
        if (chamber_) {
            chamber_->setPower(index_, 0, power_[0], now);
            chamber_->setPower(index_, 1, power_[1], now);
        }
        break;
    }
    case 0x0C:
        measuring_ = value != 0;
        restartedAt_ = now;
        break;
    case 0x18:
        if (hasAnalogSection()) {
            updateConverter(now);
            controlConverter(value, now);
        }
        break;
    default:
        break;
    }
}

} // namespace tlv880::bus::emu
