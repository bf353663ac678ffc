#pragma once
// The forecast of a crystal as the windows show it.

#include "instrument/CrystalForecast.h"

#include <QString>

#include <optional>

namespace tlv {

// Thickness left in kÅ as the sensor reads it ("12.35"), "--" for a failed crystal.
QString ThicknessLeftText(const std::optional<CrystalForecast>& forecast);
// Time left "h:mm:ss" ("0:04:10"), "--" while not depositing or failed.
QString TimeLeftText(const std::optional<CrystalForecast>& forecast);
// Both in one compact cell: "12.35 kA 0:04:10", "12.35 kA" while not depositing, "--" failed.
QString LifeLeftText(const std::optional<CrystalForecast>& forecast);

} // namespace tlv
