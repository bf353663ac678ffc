// The library's simulate mode, rehearsed: its simulated cycle (crystals that lose frequency with
// the power of their outputs, the thickness, rate and loop arithmetic of every cycle) run on a
// state record of its own, one period per call, as fast as the machine goes. What a setup
// without a card runs on, for the loop benchmark and loop tuning.
#pragma once

#include "LoopRehearsal.h"

#include <memory>
#include <vector>

namespace tlv880 {
struct LibraryState;
}

namespace tlv880::rehearsal {

class SimulatedChamber {
public:
    // Output 0 fed by sensor 0 of this film density (Z-ratio 1, tooling 1).
    explicit SimulatedChamber(double period = 0.25, double density = 10);
    ~SimulatedChamber();
    SimulatedChamber(const SimulatedChamber&) = delete;
    SimulatedChamber& operator=(const SimulatedChamber&) = delete;

    // As Xdc770SetPower (manual power, fraction) and Xdc770Loop2 (rate control from the present
    // power), with the output's limits as Xdc770FullScale takes them.
    void SetPower(double power);
    void StartLoop(const LoopTerms& terms);
    void Run(int cycles);

    double Now() const { return double(m_times.size()) * m_period; }
    const std::vector<double>& Times() const { return m_times; }
    const std::vector<double>& Rates() const { return m_rates; }   // sensor 0, Angstrom/s
    const std::vector<double>& Powers() const { return m_powers; } // output 0, fraction

private:
    std::unique_ptr<LibraryState> m_state;
    double m_period;
    std::vector<double> m_times, m_rates, m_powers;
};

// A rate loop in the simulation with these terms, started after the soak at the start power
// (by default a second at power 0), with its figures as RehearseLoop gives them.
LoopRun RehearseSimulatedLoop(const LoopTerms& terms);

} // namespace tlv880::rehearsal
