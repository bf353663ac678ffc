// cTLV880a: the reading poll, the moving averages over the reading slots, and draining.

#include "instrument/cTLV880a.h"

#include "InstrumentMessages.h"

#include <QTimer>

#include <algorithm>

namespace msg = tlv::msg;

namespace {
// The library holds at most 9 unread slots; more calls than this while draining means it keeps
// producing faster than it is read, and the drain stops rather than spin.
constexpr int kDrainLimit = 32;

// Sets a flag for the life of a scope and restores what it was (drains may nest).
struct FlagScope {
    bool& flag;
    bool previous;
    explicit FlagScope(bool& f) : flag(f), previous(f) { flag = true; }
    ~FlagScope() { flag = previous; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
};

struct CountScope {
    int& count;
    explicit CountScope(int& c) : count(c) { ++count; }
    ~CountScope() { --count; }
    CountScope(const CountScope&) = delete;
    CountScope& operator=(const CountScope&) = delete;
};
} // namespace

void cTLV880a::TLVTimer_Timer()
{
    // The message pump inside a poll or a drain can deliver the next tick: it is skipped.
    if (m_polling || m_clearing) return;
    FlagScope polling(m_polling);
    CountScope handler(m_timerHandlers);

    const double t = m_clock->secondsSinceMidnight();
    int n = 0;
    GetReadings(m_sensorReadings, m_outputReadings, n);
    if (n == 1)
        emit TLVReading(m_sensorReadings, m_outputReadings, t);
    else if (n > 1)
        emit TLVReading(m_sensorReadings, m_outputReadings, t - (n - 1) * m_period); // when taken
    if (n <= 0) return;

    // Only the newest analog reading is shown. The drain runs no message pump: a handler of
    // the reading event may have scheduled work (even the deletion of this object) that must
    // run only after the poll has returned to the event loop.
    int count = 0;
    GetAnalog(m_analogReadings, count);
    for (int calls = 1; count > 1 && calls < kDrainLimit; ++calls)
        GetAnalog(m_analogReadings, count);
    emit TLVAnalog(m_analogReadings, t);
}

int cTLV880a::GetReadings(SensorArray& sensors, OutputArray& outputs, int& count)
{
    count = 0;
    RawSlot& slot = m_slots[m_slotIndex - 1];
    int result = 0;
    if (!bound(m_binding->Xdc770GetReadings(slot.readings.data(), slot.power.data()), result))
        return msg::kUnbound;
    count = result;
    if (result <= 0) return 0;

    std::array<double, kOutputs> rateSum{}, deviationSum{}, thicknessSum{};
    std::array<int, kOutputs> counted{};
    std::optional<QDateTime> now;
    for (int s = 0; s < kSensors; ++s) {
        double rate = 0.0;
        for (int k = 0; k < m_filledCount; ++k)
            rate += m_slots[k].readings[s];
        sensors[s][0] = rate / m_filledCount;
        sensors[s][3] = rateDeviation(s, sensors);
        sensors[s][1] = slot.readings[24 + s];
        sensors[s][2] = slot.readings[48 + s];

        const int loop = loopOf(s);
        const bool enabled = (m_sensorHealth[s].status & 1) == 0;
        if (loop >= 0 && enabled && NumSensorValid(static_cast<short>(s))) {
            rateSum[loop] += sensors[s][0];
            deviationSum[loop] += sensors[s][3];
            thicknessSum[loop] += sensors[s][1];
            ++counted[loop];
        }
        checkCrystal(s, sensors[s][2]);
        checkStability(s, sensors[s][2]);
        if (enabled && loop >= 0 && m_outputs[loop].pidMode != 0) {
            checkQuality(s, sensors[s][3]);
            checkControlError(loop, sensors[s][3], now);
        }
    }

    for (int o = 0; o < kOutputs; ++o) {
        if (counted[o] > 0) {
            outputs[o][0] = rateSum[o] / counted[o];
            outputs[o][3] = deviationSum[o] / counted[o];
            outputs[o][1] = thicknessSum[o] / counted[o];
        } else {
            outputs[o][0] = outputs[o][3] = outputs[o][1] = 0.0;
        }
        double power = 0.0;
        for (int k = 0; k < m_filledCount; ++k)
            power += m_slots[k].power[o];
        outputs[o][2] = power / m_filledCount * 100.0;
    }

    // Moving averages over the last FilterSize readings, starting with one.
    if (m_slotIndex == m_filterSize) {
        m_slotIndex = 1;
    } else {
        ++m_slotIndex;
        if (m_filledCount < m_filterSize) m_filledCount = m_slotIndex;
    }
    return 0;
}

int cTLV880a::GetAnalog(AnalogArray& analog, int& count)
{
    count = 0;
    RawSlot& slot = m_slots[m_slotIndex - 1];
    int result = 0;
    if (!bound(m_binding->Xdc770GetAnReadings(slot.analog.data(), slot.power.data()), result))
        return msg::kUnbound;
    count = result;
    if (result <= 0) return 0;
    slot.analogValid = true;
    // Average over the slots that hold an analog value taken since the filter restarted; a
    // slot never written must not pull the mean towards zero.
    AnalogArray sum{};
    int used = 0;
    for (int k = 0; k < m_filledCount; ++k) {
        if (!m_slots[k].analogValid) continue;
        for (int a = 0; a < kAnalogs; ++a)
            sum[a] += m_slots[k].analog[a];
        ++used;
    }
    for (int a = 0; a < kAnalogs; ++a)
        analog[a] = sum[a] / used;
    return 0;
}

int cTLV880a::ClearBuff()
{
    // No message pump here: posted work (a deletion, another command) run from inside a zero
    // would re-enter its caller while that still holds references; it runs from the event loop
    // once the caller has returned. The ring holds fewer unread readings than the bound, which
    // only ends the drain of a library that keeps reporting more.
    FlagScope clearing(m_clearing);
    int status = 0;
    RawSlot& slot = m_slots[m_slotIndex - 1];
    for (int calls = 0; calls < kDrainLimit; ++calls) {
        int result = 0;
        if (!bound(m_binding->Xdc770GetReadings(slot.readings.data(), slot.power.data()), result)) {
            status = msg::kUnbound;
            break;
        }
        if (result <= 0) break;
    }
    m_slotIndex = 1;
    m_filledCount = 1;
    for (RawSlot& s : m_slots)
        s.analogValid = false;
    return status;
}

int cTLV880a::FilterSize() const
{
    return m_filterSize;
}

void cTLV880a::setFilterSize(int size)
{
    if (size >= 1) m_filterSize = std::min(size, kSlots);
    m_slotIndex = 1;
}

double cTLV880a::rateDeviation(int sen, const SensorArray& sensors) const
{
    const int loop = loopOf(sen);
    if (loop < 0) return 0.0;
    const double setpoint = m_outputs[loop].rate;
    const double rate = sensors[sen][0];
    if (setpoint != 0.0) return (rate - setpoint) * 100.0 / setpoint;
    return rate <= 100.0 ? rate : 100.0;
}
