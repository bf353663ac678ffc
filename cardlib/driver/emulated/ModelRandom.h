// The pseudo-random numbers of the chamber model: a fixed algorithm (splitmix64) so that one seed
// gives one trace on every machine and standard library, without allocation.
#pragma once

#include <cmath>
#include <cstdint>

namespace tlv880::bus::emu {

constexpr double kModelPi = 3.14159265358979;

class ModelRandom {
public:
    explicit ModelRandom(uint64_t seed = 0) : state_(seed) {}

    uint64_t next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Standard normal (Box-Muller; one value per call keeps the sequence simple).
    double gaussian()
    {
        const double u = 1.0 - uniform(); // (0, 1]: log stays finite
        const double v = uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * kModelPi * v);
    }

private:
    uint64_t state_;
};

} // namespace tlv880::bus::emu
