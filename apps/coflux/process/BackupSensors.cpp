#include "BackupSensors.h"

namespace coflux {

void BackupSensors::Reset()
{
    m_states.fill(State{});
}

int BackupSensors::SensorBits(int j, const OutputRecord& out) const
{
    const State& s = Slot(j);
    if (!s.active) return out.Input & kSensorBitsMask;
    return 1 << s.backup;
}

void BackupSensors::Zeroed(int j)
{
    if (j < 0 || j >= kOutputSlots) return;
    State& s = Slot(j);
    s.carried = 0;
    s.lastGood = 0;
    s.backupAtLastGood = -1;
}

void BackupSensors::CarryThickness(ReadingArrays& r) const
{
    for (size_t j = 0; j < m_states.size(); ++j)
        if (m_states[j].active) r.OutThick[j] += m_states[j].carried;
}

void BackupSensors::RememberGood(const ReadingArrays& r, const ProcessTables& tables)
{
    for (int j : kShownOutputs) {
        State& s = Slot(j);
        const OutputRecord& out = tables.Output(j);
        if (s.active || out.Backup < 0) continue;
        const int bits = out.Input & kSensorBitsMask;
        if (bits == 0) continue;
        bool allGood = true;
        for (int i = 0; i < kSensorSlots && allGood; ++i)
            if ((bits >> i) & 1) allGood = r.SenFreq[static_cast<size_t>(i)] >= 1;
        if (!allGood) continue;
        const auto b = static_cast<size_t>(out.Backup);
        s.lastGood = r.OutThick[static_cast<size_t>(j)];
        s.backupAtLastGood = r.SenFreq[b] >= 1 ? r.SenThick[b] : -1;
    }
}

void BackupSensors::TakeOver(int j, int backup, ReadingArrays& r)
{
    State& s = Slot(j);
    const auto b = static_cast<size_t>(backup);
    // Film the backup gained while the failed crystals were being declared failed belongs to
    // the layer too; without a reading of the backup then, it starts from now.
    const double since = s.backupAtLastGood >= 0 ? s.backupAtLastGood : r.SenThick[b];
    s.active = true;
    s.backup = backup;
    s.carried = s.lastGood - since;
    const auto i = static_cast<size_t>(j);
    r.OutRate[i] = r.SenRate[b];
    r.OutThick[i] = r.SenThick[b] + s.carried;
}

} // namespace coflux
