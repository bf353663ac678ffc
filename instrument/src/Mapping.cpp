// cTLV880a: which sensors and analog inputs feed which output. An output is driven either by
// sensors or by one analog input; the sensor map wins over an analog assignment.

#include "instrument/cTLV880a.h"

#include "InstrumentMessages.h"

#include <algorithm>

namespace msg = tlv::msg;

namespace {
// The two map calls can set each other off; in a consistent state this ends after one round.
// A state the library left inconsistent (a refused map) must not recurse without end.
constexpr int kMaxMapDepth = 4;

struct DepthGuard {
    int& depth;
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};
} // namespace

int cTLV880a::SendMapSensors(const SensorMap& map)
{
    DepthGuard guard(m_mapDepth);
    if (m_mapDepth > kMaxMapDepth) return fail(1, msg::kMapSensors);

    for (short a = 0; a < kAnalogs; ++a) {
        const int loop = m_analogLoops[a];
        if (loop >= 0 && std::find(map.begin(), map.end(), loop) != map.end()) setAnalogLoop(a, -1);
    }

    SensorMap effective = map;
    SensorMap sent{};
    for (int i = 0; i < kSensors; ++i) {
        // The spare crystal of a dual head follows its partner's loop.
        if ((i % 2) == 1 && m_sensors[i].dual) effective[i] = map[i - 1];
        const bool enabled = (m_sensorHealth[i].status & 1) == 0;
        const bool present = m_build != Build::Monitor || NumSensorValid(static_cast<short>(i));
        sent[i] = enabled && present ? effective[i] : -1;
    }

    int result = 0;
    if (!bound(m_binding->Xdc770MapSensors(sent.data()), result)) return msg::kUnbound;
    if (result != 0) return fail(result, msg::kMapSensors);
    // A disabled sensor keeps its loop, to be sent again when it is enabled.
    for (int i = 0; i < kSensors; ++i) {
        const bool enabled = (m_sensorHealth[i].status & 1) == 0;
        const bool spare = (i % 2) == 1 && m_sensors[i].dual;
        if (enabled || spare) m_sensors[i].loop = effective[i];
    }
    return 0;
}

int cTLV880a::sendStoredMap()
{
    SensorMap map{};
    for (int i = 0; i < kSensors; ++i)
        map[i] = m_sensors[i].loop;
    return SendMapSensors(map);
}

int cTLV880a::SendMapAnalog(const AnalogMap& map)
{
    DepthGuard guard(m_mapDepth);
    if (m_mapDepth > kMaxMapDepth) return fail(1, msg::kMapAnalog);

    for (int a = 0; a < kAnalogs; ++a)
        for (int b = a + 1; b < kAnalogs; ++b)
            if (map[a] >= 0 && map[a] == map[b]) return fail(1, msg::kMapAnalog);

    // An analog input takes its output away from the sensors.
    for (int a = 0; a < kAnalogs; ++a) {
        if (map[a] < 0) continue;
        for (short s = 0; s < kSensors; ++s)
            if (m_sensors[s].loop == map[a]) setSensorLoop(s, -1);
    }

    int result = 0;
    if (!bound(m_binding->Xdc770MapAnSensors(map.data()), result)) return msg::kUnbound;
    if (result != 0) return fail(result, msg::kMapAnalog);
    m_analogLoops = map;
    return 0;
}

int cTLV880a::SensorLoop(short sen)
{
    return checkSensor(sen) ? m_sensors[sen].loop : 0;
}

int cTLV880a::setSensorLoop(short sen, int out)
{
    if (!checkSensor(sen)) return 10;
    if (out != -1 && !checkOutput(out)) return 5;
    SensorMap map{};
    for (int i = 0; i < kSensors; ++i)
        map[i] = m_sensors[i].loop;
    map[sen] = out;
    return SendMapSensors(map);
}

int cTLV880a::AnalogLoop(short an)
{
    if (an < 0 || an >= kAnalogs) {
        fail(10, msg::kSensorNumber);
        return 0;
    }
    return m_analogLoops[an];
}

int cTLV880a::setAnalogLoop(short an, int out)
{
    if (an < 0 || an >= kAnalogs) return fail(10, msg::kSensorNumber);
    if (out != -1 && !checkOutput(out)) return 5;
    AnalogMap map = m_analogLoops;
    // An output is fed by at most one analog input.
    if (out >= 0) std::replace(map.begin(), map.end(), out, -1);
    map[an] = out;
    return SendMapAnalog(map);
}

short cTLV880a::LoopType(short out)
{
    if (!checkOutput(out)) return 0;
    if (std::find(m_analogLoops.begin(), m_analogLoops.end(), out) != m_analogLoops.end()) return 1;
    for (const SensorSettings& s : m_sensors)
        if (s.loop == out) return 2;
    return 0;
}
