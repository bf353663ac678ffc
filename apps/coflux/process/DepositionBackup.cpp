// The backup sensor of an output: when every sensor of the output has failed (the instrument's
// crystal failure rule), the backup measures its loop from that reading on. Its sensor bits move
// to the backup in the instrument's map, the power stays where the loop held it (a loop without
// a valid sensor does not change its power) and the thickness goes on from the failed crystals'.

#include "Deposition.h"

#include <QStringList>

namespace coflux {

namespace {

constexpr std::uint8_t kDisabledBit = 0;
constexpr std::uint8_t kCrystalFailureBit = 1;

// "sensor 1", "sensors 1 and 2", "sensors 1, 2 and 3".
QString SensorList(const QList<int>& sensors)
{
    QStringList numbers;
    for (int s : sensors)
        numbers << QString::number(s + 1);
    if (numbers.size() == 1) return QStringLiteral("sensor ") + numbers.first();
    const QString last = numbers.takeLast();
    return QStringLiteral("sensors %1 and %2").arg(numbers.join(QStringLiteral(", ")), last);
}

} // namespace

int Deposition::SensorBits(int j) const
{
    if (!IsShownOutput(j)) return 0;
    return m_backups.SensorBits(j, m_tables.Output(j));
}

double Deposition::SensorTooling(int s) const
{
    for (int j : kShownOutputs) {
        const OutputRecord& out = m_tables.Output(j);
        if (out.Backup == s && out.BackupTooling > 0) return out.BackupTooling;
    }
    return m_tables.Sensor(s).Tooling;
}

// A backup sensor measures with the tooling of the output it backs up, sent before the run's
// zero so that its thickness starts from 0 with it.
void Deposition::SendBackupTooling()
{
    for (int j : kShownOutputs) {
        const OutputRecord& out = m_tables.Output(j);
        if (out.Backup < 0 || out.Backup >= kConfiguredSensors || !IsPresentSensor(out.Backup))
            continue;
        const auto b = static_cast<short>(out.Backup);
        const double tooling = SensorTooling(out.Backup);
        if (m_tlv.Tooling(b) == tooling) continue;
        const SensorRecord& sensor = m_tables.Sensor(out.Backup);
        m_tlv.SendMaterial(b, sensor.Density, sensor.ZFactor, tooling);
    }
}

bool Deposition::AllSensorsFailed(int bits)
{
    if (bits == 0) return false;
    for (short s = 0; s < kSensorSlots; ++s) {
        if (!InputHasSensor(bits, s)) continue;
        if (!m_tlv.SensorStatus(s, kCrystalFailureBit) && !m_tlv.SensorStatus(s, kDisabledBit))
            return false;
    }
    return true;
}

void Deposition::TakeOverFailedOutputs()
{
    for (int j : kShownOutputs) {
        const OutputRecord& out = m_tables.Output(j);
        const int b = out.Backup;
        if (b < 0 || b >= kConfiguredSensors || m_backups.TookOver(j) || !IsPresentOutput(j) ||
            !IsPresentSensor(b))
            continue;
        if ((out.Mode != ModeAuto && out.Mode != ModeManual) || InputAnalog(out.Input) >= 0 ||
            InputOutput(out.Input) >= 0)
            continue;
        const int bits = out.Input & kSensorBitsMask;
        if (InputHasSensor(bits, b) || !AllSensorsFailed(bits)) continue;
        // A backup without a good crystal of its own cannot take over: the output's crystal
        // failure stands (a recipe's CrystalFailure action applies).
        const auto bs = static_cast<short>(b);
        if (m_readings.SenFreq[static_cast<size_t>(b)] < 1 ||
            m_tlv.SensorStatus(bs, kCrystalFailureBit) || m_tlv.SensorStatus(bs, kDisabledBit))
            continue;
        // A sensor that measures another output is not free to take over this one.
        const int owner = m_tlv.SensorLoop(bs);
        if (owner >= 0 && owner != j) continue;

        QList<int> failed;
        for (short s = 0; s < kSensorSlots; ++s)
            if (InputHasSensor(bits, s)) {
                failed << s;
                m_tlv.setSensorLoop(s, -1);
            }
        m_tlv.setSensorLoop(bs, j);
        m_backups.TakeOver(j, b, m_readings);

        const QString message = QStringLiteral("Sensor %1 takes over from %2 on %3.")
                                    .arg(b + 1)
                                    .arg(SensorList(failed), out.Name.trimmed());
        SetStatus(message);
        QMetaObject::invokeMethod(
            this, [this, j, b, message] { emit backupTookOver(j, b, message); },
            Qt::QueuedConnection);
    }
}

} // namespace coflux
