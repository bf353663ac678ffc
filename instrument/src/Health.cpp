// cTLV880a: crystal, quality, stability and control-error rules, and the sensor and output status
// words with their events.

#include "instrument/cTLV880a.h"

#include "CommonSupport.h"
#include "InstrumentMessages.h"

#include <cmath>
#include <limits>

namespace msg = tlv::msg;

namespace {
constexpr short kDisabledBit = 0;
constexpr short kCrystalBit = 1;
constexpr short kQualityBit = 2;
constexpr short kStabilitySingleBit = 3;
constexpr short kStabilitySumBit = 4;
constexpr short kControlErrorBit = 4;
constexpr short kAllFailedBit = 5;

bool bitSet(short word, int bit)
{
    return (word & (1 << bit)) != 0;
}

// Whole hertz, halves to even, held within the 32-bit range.
int wholeHertz(double value)
{
    constexpr double kLow = std::numeric_limits<int>::min();
    constexpr double kHigh = std::numeric_limits<int>::max();
    const double rounded = std::nearbyint(value);
    if (!(rounded >= kLow)) return std::numeric_limits<int>::min();
    if (rounded > kHigh) return std::numeric_limits<int>::max();
    return static_cast<int>(rounded);
}
} // namespace

void cTLV880a::checkCrystal(int sen, double frequency)
{
    const int loop = loopOf(sen);
    if (loop < 0) return;
    const int limit = m_outputs[loop].sensorFailLimit;
    if (limit < 1) return;
    SensorHealth& h = m_sensorHealth[sen];
    if (frequency < 0) {
        if (h.crystalFailures < limit) {
            ++h.crystalFailures;
            if (h.crystalFailures == limit) setSensorStatus(sen, kCrystalBit, true);
        }
    } else if (h.crystalFailures >= 1) {
        --h.crystalFailures;
        if (h.crystalFailures == 0) setSensorStatus(sen, kCrystalBit, false);
    }
}

void cTLV880a::checkQuality(int sen, double deviation)
{
    SensorHealth& h = m_sensorHealth[sen];
    const int loop = loopOf(sen);
    if (bitSet(h.status, kDisabledBit) || loop < 0) return;
    const int limit = m_outputs[loop].sensorQualityLimit;
    const double quality = m_outputs[loop].sensorQuality;
    if (limit < 1 || !(quality > 0) || bitSet(h.status, kQualityBit)) return;

    h.qualityHistory[h.qualityIndex] = deviation;
    h.qualityIndex = (h.qualityIndex + 1) % kQualityHistory;
    double sum = 0.0;
    for (double d : h.qualityHistory)
        sum += d;
    const double mean = std::fabs(sum / kQualityHistory);

    if (mean < quality) {
        if (h.qualityCount >= 1) --h.qualityCount;
    } else if (h.qualityCount < limit) {
        ++h.qualityCount;
        if (h.qualityCount == limit) setSensorStatus(sen, kQualityBit, true);
    }
}

void cTLV880a::checkStability(int sen, double frequency)
{
    SensorHealth& h = m_sensorHealth[sen];
    // A failure code is no frequency: the next good reading starts afresh instead of counting
    // the jump from the code as material coming off.
    if (frequency < 0) {
        h.lastFrequency = 0;
        return;
    }
    const int loop = loopOf(sen);
    if (!bitSet(h.status, kDisabledBit) && loop >= 0) {
        const int single = m_outputs[loop].sensorStabilitySingle;
        const int total = m_outputs[loop].sensorStabilityLimit;
        if (single >= 1 || total >= 1) {
            if (h.lastFrequency == 0) h.lastFrequency = wholeHertz(frequency);
            // The frequency falls as film builds up; a rise means material came off.
            const double rise = frequency - h.lastFrequency;
            if (rise > 0) {
                if (!bitSet(h.status, kStabilitySingleBit) && single >= 1 && rise >= single)
                    setSensorStatus(sen, kStabilitySingleBit, true);
                if (!bitSet(h.status, kStabilitySumBit)) {
                    h.stabilitySum = wholeHertz(h.stabilitySum + rise);
                    if (h.stabilitySum >= total && total > 0)
                        setSensorStatus(sen, kStabilitySumBit, true);
                }
            }
        }
    }
    h.lastFrequency = wholeHertz(frequency);
}

void cTLV880a::checkControlError(int out, double deviation, std::optional<QDateTime>& now)
{
    const OutputSettings& o = m_outputs[out];
    OutputHealth& h = m_outputHealth[out];
    if (o.controlErrorLimit < 1 || !(o.controlError > 0) || bitSet(h.status, kControlErrorBit))
        return;
    // Kept in UTC: the interval is real elapsed time, and UTC times compare without a time
    // zone lookup per sensor.
    if (!now) now = m_clock->now().toUTC();
    if (h.lastGood.isNull()) h.lastGood = *now;
    if (std::fabs(deviation) < o.controlError) h.lastGood = *now;
    if (DiffSeconds(h.lastGood, *now) > o.controlErrorLimit) setOutputStatus(out, kControlErrorBit);
}

void cTLV880a::setSensorStatus(int sen, int bit, bool value)
{
    SensorHealth& h = m_sensorHealth[sen];
    if (bitSet(h.status, bit) == value) return;
    const QString& name = m_sensors[sen].name;
    if (value) {
        h.status = static_cast<short>(h.status | (1 << bit));
        if (bit == kDisabledBit) sendStoredMap(); // the disabled sensor leaves the library's map
        emit TLVSensorEvent(bit, name + msg::sensorBitMessage(bit), sen);
        const int loop = loopOf(sen);
        if (loop >= 0 && !bitSet(m_outputHealth[loop].status, kAllFailedBit)) {
            bool anyEnabled = false;
            for (int i = 0; i < kSensors && !anyEnabled; ++i)
                anyEnabled = loopOf(i) == loop && !bitSet(m_sensorHealth[i].status, kDisabledBit);
            if (!anyEnabled) setOutputStatus(loop, kAllFailedBit);
        }
        return;
    }
    h.status = static_cast<short>(h.status & ~(1 << bit));
    if (h.status == 0) {
        sendStoredMap();
        emit TLVSensorEvent(-1, name + msg::kSensorOk, sen);
    }
}

void cTLV880a::setOutputStatus(int out, int bit)
{
    m_outputHealth[out].status = static_cast<short>(m_outputHealth[out].status | (1 << bit));
    const QString& name = m_outputs[out].name;
    if (bit == kControlErrorBit)
        emit TLVOutputEvent(4, QStringLiteral("Control error on ") + name + QStringLiteral("!"),
                            out);
    else if (bit == kAllFailedBit)
        emit TLVOutputEvent(
            5, QStringLiteral("All crystals failed on ") + name + QStringLiteral("!"), out);
}

void cTLV880a::clearHealth()
{
    m_sensorHealth.fill(SensorHealth{});
    m_outputHealth.fill(OutputHealth{});
}

bool cTLV880a::SensorEnabled(short sen)
{
    return checkSensor(sen) && !bitSet(m_sensorHealth[sen].status, kDisabledBit);
}

int cTLV880a::setSensorEnabled(short sen, bool enabled)
{
    if (!checkSensor(sen)) return 10;
    if (!enabled) {
        setSensorStatus(sen, kDisabledBit, true);
        return 0;
    }
    SensorHealth& h = m_sensorHealth[sen];
    h.crystalFailures = 0;
    h.qualityCount = 0;
    h.qualityHistory.fill(0.0);
    h.qualityIndex = 0;
    h.stabilitySum = 0;
    h.lastFrequency = 0;
    setSensorStatus(sen, kDisabledBit, false);
    return 0;
}

short cTLV880a::OutputStatus(short out)
{
    return checkOutput(out) ? m_outputHealth[out].status : 0;
}

bool cTLV880a::SensorStatus(short sen, std::uint8_t bit)
{
    return checkSensor(sen) && bit < 16 && bitSet(m_sensorHealth[sen].status, bit);
}

short cTLV880a::SensorStatusWord(short sen)
{
    return checkSensor(sen) ? m_sensorHealth[sen].status : 0;
}
