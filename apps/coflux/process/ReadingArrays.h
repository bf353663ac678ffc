#pragma once
// The latest readings as the deposition process keeps them, filled by the reading and analog
// events. Thickness is held in kÅ here (the instrument class delivers Å).

#include "ProcessTables.h"

#include "instrument/CrystalForecast.h"

#include <array>
#include <optional>

namespace coflux {

struct ReadingArrays {
    std::array<double, kOutputSlots> OutRate{};  // Å/s
    std::array<double, kOutputSlots> OutThick{}; // kÅ
    std::array<double, kOutputSlots> OutPower{}; // %
    std::array<double, kSensorSlots> SenRate{};  // Å/s
    std::array<double, kSensorSlots> SenThick{}; // kÅ
    std::array<double, kSensorSlots> SenFreq{};  // Hz (below 1: crystal failure code)
    std::array<double, kAnalogInputs> AnVolts{}; // raw volts
    // What each sensor's crystal can still take, from its frequency and rate; empty when failed.
    std::array<std::optional<tlv::CrystalForecast>, kSensorSlots> SenForecast{};
};

} // namespace coflux
