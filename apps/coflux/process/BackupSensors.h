#pragma once
// BackupSensors: the take-over state of every output's backup sensor during one run. When every
// sensor of an output has failed, its backup crystal measures the loop from then on: the
// output's sensor bits move to the backup, and the output's thickness goes on from where the
// failed crystals left it (the thickness the backup gained since then is added on top), so a
// thickness setpoint or a layer end stays where it was. Plain data, no card traffic: the
// deposition process decides and maps the sensors, this keeps the numbers.

#include "ProcessTables.h"
#include "ReadingArrays.h"

#include <array>

namespace coflux {

class BackupSensors {
public:
    // A new run: every output measures with its own sensors again.
    void Reset();

    // The sensor bits (0..23) feeding output j now: its own, or its backup's after a take-over.
    int SensorBits(int j, const OutputRecord& out) const;
    bool TookOver(int j) const { return Slot(j).active; }

    // The thickness of output j was zeroed: the backup's thickness restarts from 0 too.
    void Zeroed(int j);

    // Adds the carried thickness to the outputs taken over (each reading, before it is used).
    void CarryThickness(ReadingArrays& r) const;

    // Keeps, for each output with a backup that still measures with its own sensors, the last
    // thickness read while all of them had a frequency, and the backup's thickness then.
    void RememberGood(const ReadingArrays& r, const ProcessTables& tables);

    // Output j goes over to its backup in this reading: its thickness from now on is the
    // backup's plus what the failed sensors had deposited, and this reading already shows it.
    void TakeOver(int j, int backup, ReadingArrays& r);

private:
    struct State {
        bool active = false;
        int backup = -1;
        double carried = 0;           // kÅ added to the backup's thickness
        double lastGood = 0;          // kÅ, the output's last good thickness
        double backupAtLastGood = -1; // kÅ, the backup's then; < 0 when it had no frequency
    };
    const State& Slot(int j) const { return m_states.at(static_cast<size_t>(j)); }
    State& Slot(int j) { return m_states.at(static_cast<size_t>(j)); }

    std::array<State, kOutputSlots> m_states{};
};

} // namespace coflux
