#pragma once
// How much more film a crystal can take before its frequency falls to the minimum the cards
// accept, and how long that lasts at the present rate. The film is the Z-match relation the
// card library reads thickness with, run forward from the present frequency to the minimum.
// Pure arithmetic, no Qt: the instrument class, the programs and their tests share it.

#include <optional>

namespace tlv {

struct CrystalForecast {
    // Film the crystal can still take, kÅ of its own film (tooling 100 %).
    double filmLeft = 0;
    // The same film as the sensor reads it, kÅ, with the sensor's tooling applied.
    double thicknessLeft = 0;
    // Seconds until the minimum frequency at the present rate; empty while not depositing.
    std::optional<double> secondsLeft;
};

// Film in Å on a crystal of `initial` Hz uncoated that now runs at `frequency` Hz, for a film
// of `density` g/cm³ and Z-ratio `zFactor` (tooling 100 %); the card library's relation.
double FilmOfFrequency(double frequency, double initial, double density, double zFactor);

// The forecast of a crystal at `frequency` Hz (a negative failure code: failed), with the
// cards' minimum and initial frequencies, the sensor's material and tooling (%) and its rate
// (Å/s as read, with the tooling). Empty for a failed crystal, one below the minimum, or
// without a material (density or Z-factor not positive, tooling 0).
std::optional<CrystalForecast> ForecastCrystal(double frequency, double minimum, double initial,
                                               double density, double zFactor, double tooling,
                                               double rate);

} // namespace tlv
