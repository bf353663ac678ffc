#include "common/alarms/AlarmConditions.h"

#include "common/NumberFormat.h"

#include <array>
#include <cmath>

namespace tlv {

namespace {

// The instrument's sensor status bits and the conditions they raise.
struct SensorRule {
    int bit;
    const QString& condition;
};
const std::array<SensorRule, 4> kSensorRules{{{1, condition::kCrystal},
                                              {2, condition::kQuality},
                                              {3, condition::kStability},
                                              {4, condition::kStability}}};

QString Seconds(double seconds)
{
    return QString::number(std::lround(seconds));
}

// Rates in a message: two decimals whatever their size, so the three of a line compare at a
// glance.
QString Rate(double value)
{
    return Format(value, QStringLiteral("0.00"));
}

} // namespace

void InstrumentEventAlarms::sensorEvent(int code, const QString& message, int sensor)
{
    const AlarmSource source = AlarmSource::sensor(sensor);
    if (code == -1) {
        for (const SensorRule& rule : kSensorRules)
            m_model.clear(rule.condition, source);
        return;
    }
    for (const SensorRule& rule : kSensorRules)
        if (rule.bit == code) m_model.raise(rule.condition, source, message);
}

void InstrumentEventAlarms::sensorStatus(int sensor, int statusWord)
{
    const AlarmSource source = AlarmSource::sensor(sensor);
    // Both stability bits raise one condition: it clears when neither is set.
    const bool crystal = (statusWord & (1 << 1)) != 0;
    const bool quality = (statusWord & (1 << 2)) != 0;
    const bool stability = (statusWord & ((1 << 3) | (1 << 4))) != 0;
    if (!crystal) m_model.clear(condition::kCrystal, source);
    if (!quality) m_model.clear(condition::kQuality, source);
    if (!stability) m_model.clear(condition::kStability, source);
}

void InstrumentEventAlarms::outputEvent(int code, const QString& message, const AlarmSource& output)
{
    if (code == 4) m_model.raise(condition::kControl, output, message);
    if (code == 5) m_model.raise(condition::kCrystals, output, message);
}

void InstrumentEventAlarms::measurementStarted()
{
    for (const QString& condition :
         {condition::kCrystal, condition::kQuality, condition::kStability, condition::kControl,
          condition::kCrystals})
        m_model.clearAll(condition);
}

CrystalReadingAlarms::CrystalReadingAlarms(AlarmModel& model, int sensors, int failLimit)
    : m_model(model), m_failLimit(std::max(failLimit, 1)), m_failed(size_t(std::max(sensors, 0)))
{
}

void CrystalReadingAlarms::update(int sensor, double frequency)
{
    if (sensor < 0 || size_t(sensor) >= m_failed.size()) return;
    int& failed = m_failed[size_t(sensor)];
    const AlarmSource source = AlarmSource::sensor(sensor);
    if (frequency >= 0) {
        failed = 0;
        m_model.clear(condition::kCrystal, source);
        return;
    }
    if (failed < m_failLimit) ++failed;
    if (failed < m_failLimit || m_model.isOpen(condition::kCrystal, source)) return;
    const QString why = frequency > -1.5   ? QStringLiteral("no signal")
                        : frequency > -2.5 ? QStringLiteral("frequency too high")
                                           : QStringLiteral("frequency too low");
    m_model.raise(condition::kCrystal, source,
                  QStringLiteral("%1 Crystal Failure: %2.").arg(source.text, why));
}

void CrystalReadingAlarms::forget(int sensor)
{
    if (sensor < 0 || size_t(sensor) >= m_failed.size()) return;
    m_failed[size_t(sensor)] = 0;
    m_model.clear(condition::kCrystal, AlarmSource::sensor(sensor));
}

OutputAlarms::OutputAlarms(AlarmModel& model, int outputs)
    : m_model(model), m_watches(size_t(std::max(outputs, 0))),
      m_sources(size_t(std::max(outputs, 0)))
{
}

void OutputAlarms::stop(const AlarmSource& source, Watch& watch)
{
    watch.band.reset();
    watch.atMaxSince = -1;
    m_model.clear(condition::kRate, source);
    m_model.clear(condition::kPower, source);
}

void OutputAlarms::update(const AlarmSource& source, const OutputAlarmSample& sample, double now)
{
    if (source.index < 0 || size_t(source.index) >= m_watches.size()) return;
    Watch& watch = m_watches[size_t(source.index)];
    m_sources[size_t(source.index)] = source;
    if (!sample.rateControl) {
        stop(source, watch);
        return;
    }

    const RateBand band = watch.band.update(m_tolerance, sample.setpoint, sample.rate, now);
    if (band == RateBand::InBand) {
        m_model.clear(condition::kRate, source);
    } else {
        const double halfWidth = m_tolerance.bandHalfWidth(sample.setpoint);
        const QString text =
            QStringLiteral("Rate of %1 out of tolerance: %2 \u00c5/s against %3 \u00b1 %4 "
                           "\u00c5/s for %5 s.")
                .arg(source.text, Rate(sample.rate), Rate(sample.setpoint), Rate(halfWidth),
                     Seconds(watch.band.secondsOutside()));
        m_model.raise(condition::kRate, source, text,
                      band == RateBand::Out ? AlarmSeverity::Alarm : AlarmSeverity::Warning);
    }

    // At the maximum: the loop asks for more than the source may give. A hundredth of a
    // percent allows for the averaging of the power readings.
    const bool atMax = sample.power >= sample.maxPower - 0.01;
    if (!atMax) {
        watch.atMaxSince = -1;
        m_model.clear(condition::kPower, source);
        return;
    }
    if (watch.atMaxSince < 0 || now < watch.atMaxSince) watch.atMaxSince = now;
    if (now - watch.atMaxSince >= kMaxPowerSeconds && !m_model.isOpen(condition::kPower, source))
        m_model.raise(
            condition::kPower, source,
            QStringLiteral("%1 at its maximum power (%2 %) for %3 s: the rate "
                           "cannot be held.")
                .arg(source.text, NumberText(sample.maxPower), Seconds(now - watch.atMaxSince)));
}

void OutputAlarms::stopAll()
{
    for (size_t i = 0; i < m_watches.size(); ++i)
        if (m_sources[i].kind != AlarmSource::Kind::None) stop(m_sources[i], m_watches[i]);
}

} // namespace tlv
