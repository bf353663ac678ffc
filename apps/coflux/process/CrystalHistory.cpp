#include "CrystalHistory.h"

#include "DataLog.h"
#include "Deposition.h"

#include <QFile>

#include <cmath>

namespace coflux {

namespace {

// Readings in a row with a failure code before a crystal counts as ended (the instrument's
// crystal rule uses the same default).
constexpr int kFailedReadings = 3;
// "Near the initial frequency": within this share of the span from minimum to initial.
constexpr double kFreshShare = 0.05;
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString FailureText(double code)
{
    if (code == -1) return QStringLiteral("failed (no signal)");
    if (code == -2) return QStringLiteral("failed (frequency too high)");
    return QStringLiteral("failed (frequency too low)");
}

} // namespace

CrystalHistory::CrystalHistory(Deposition& process, QString path, QObject* parent)
    : QObject(parent), m_process(process), m_path(std::move(path))
{
    connect(&process, &Deposition::readingTaken, this,
            [this](const ReadingArrays& readings, double) { OnReading(readings); });
}

QString CrystalHistory::HeaderLine()
{
    return QStringLiteral("Sensor,Started,Start frequency (Hz),Film (kA),Ended,How it ended");
}

QString CrystalHistory::RowLine(const CrystalLifeRow& row)
{
    return QStringLiteral("%1,%2,%3,%4,%5,%6")
        .arg(row.sensor)
        .arg(row.started.toString(kTimeFormat))
        .arg(row.startFrequency, 0, 'f', 1)
        .arg(row.film, 0, 'f', 3)
        .arg(row.ended.isValid() ? row.ended.toString(kTimeFormat) : QString())
        .arg(row.cause);
}

QList<CrystalLifeRow> CrystalHistory::Rows() const
{
    QList<CrystalLifeRow> rows;
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        bool header = true;
        while (!file.atEnd()) {
            const QStringList f =
                QString::fromUtf8(file.readLine()).trimmed().split(QLatin1Char(','));
            if (header || f.size() < 6) {
                header = false;
                continue;
            }
            rows.append({f[0].toInt(), QDateTime::fromString(f[1], kTimeFormat), f[2].toDouble(),
                         f[3].toDouble(), QDateTime::fromString(f[4], kTimeFormat), f[5]});
        }
    }
    for (int s = 0; s < kConfiguredSensors; ++s) {
        const Crystal& c = m_crystals[size_t(s)];
        if (!c.inUse) continue;
        CrystalLifeRow row = c.row;
        row.film = Film(s, row.startFrequency, c.lastGood);
        rows.append(row);
    }
    return rows;
}

double CrystalHistory::Film(int s, double from, double to) const
{
    const SensorRecord& sensor = m_process.Tables().Sensor(s);
    const double initial = m_process.Instrument().SensorInitFreq();
    if (sensor.Density <= 0 || sensor.ZFactor <= 0 || from <= 0 || to <= 0) return 0;
    const double film = tlv::FilmOfFrequency(to, initial, sensor.Density, sensor.ZFactor) -
                        tlv::FilmOfFrequency(from, initial, sensor.Density, sensor.ZFactor);
    return std::isfinite(film) ? std::max(film, 0.0) / 1000 : 0;
}

bool CrystalHistory::NearInitial(double frequency) const
{
    const cTLV880a& tlv = m_process.Instrument();
    const double span = tlv.SensorInitFreq() - tlv.SensorMinFreq();
    return std::abs(frequency - tlv.SensorInitFreq()) <= kFreshShare * std::abs(span);
}

void CrystalHistory::Begin(int s, double frequency)
{
    Crystal& c = m_crystals[size_t(s)];
    c = Crystal{};
    c.inUse = true;
    c.row.sensor = s + 1;
    c.row.started = m_process.Instrument().Clock().now();
    c.row.startFrequency = frequency;
    c.lastGood = frequency;
    emit changed();
}

void CrystalHistory::End(int s, const QString& cause)
{
    Crystal& c = m_crystals[size_t(s)];
    c.inUse = false;
    c.row.film = Film(s, c.row.startFrequency, c.lastGood);
    c.row.ended = m_process.Instrument().Clock().now();
    c.row.cause = cause;
    if (!QFile::exists(m_path)) AppendLogLine(m_path, HeaderLine());
    AppendLogLine(m_path, RowLine(c.row));
    emit changed();
}

void CrystalHistory::OnReading(const ReadingArrays& readings)
{
    const cTLV880a& tlv = m_process.Instrument();
    const double span = std::abs(tlv.SensorInitFreq() - tlv.SensorMinFreq());
    for (int s = 0; s < kConfiguredSensors; ++s) {
        if (!m_process.IsPresentSensor(s)) continue;
        Crystal& c = m_crystals[size_t(s)];
        const double f = readings.SenFreq[size_t(s)];
        if (f < 1) {
            if (c.inUse && ++c.failedReadings >= kFailedReadings) End(s, FailureText(f));
            continue;
        }
        c.failedReadings = 0;
        if (!c.inUse) {
            // The first reading of the program, or a crystal back after a failure (a fresh one
            // starts near the initial frequency; its start frequency tells which it was).
            Begin(s, f);
            continue;
        }
        // A jump up by more than a tenth of the span to near the initial frequency: changed.
        if (f - c.lastGood > 0.1 * span && NearInitial(f)) {
            End(s, QStringLiteral("replaced"));
            Begin(s, f);
        }
        c.lastGood = f;
    }
}

} // namespace coflux
