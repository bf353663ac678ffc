// One tick of the instrument's reading poll with every health rule switched on: filters over ten
// slots, 24 sensors grouped into 12 loops, crystal, stability, quality and control-error checks,
// and the TLVReading and TLVAnalog events. The library behind it hands out a fresh reading on
// every call, so each tick does the full work (at the shortest period it runs every 50 ms).
#include "instrument/cTLV880a.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>

namespace {

// A card library that always has exactly one new reading and one analog reading.
class SteadyLibrary final : public tlv::LibraryBinding {
public:
    tlv::BoundResult Xdc770Startup2(int, int* info) override
    {
        std::fill(info + 1, info + 8, 0);
        info[1] = info[2] = info[3] = info[4] = info[5] = info[6] = 300;
        return 0;
    }
    tlv::BoundResult Xdc770Init(double, double, double, double) override { return 0; }
    tlv::BoundResult Xdc770Material(int, double, double, double) override { return 0; }
    tlv::BoundResult Xdc770MapSensors(const int*) override { return 0; }
    tlv::BoundResult Xdc770MapAnSensors(const int*) override { return 0; }
    tlv::BoundResult Xdc770Loop2(double, double, double, double, int) override { return 0; }
    tlv::BoundResult Xdc770SetPower(int, double) override { return 0; }
    tlv::BoundResult Xdc770FullScale(int, double, double, double) override { return 0; }
    tlv::BoundResult Xdc770GetPower(double* power) override
    {
        std::fill(power, power + 14, 0.5);
        return 0;
    }
    tlv::BoundResult Xdc770StartMeas() override { return 0; }
    tlv::BoundResult Xdc770Simulate(int) override { return 0; }
    tlv::BoundResult Xdc770GetReadings(double* readings, double* power) override
    {
        ++m_cycle;
        for (int s = 0; s < 24; ++s) {
            readings[s] = 1.0 + 0.01 * ((m_cycle + s) % 7);
            readings[24 + s] = 10.0 * m_cycle;
            readings[48 + s] = 5900000.0 - m_cycle;
        }
        std::fill(power, power + 14, 0.5);
        return 1;
    }
    tlv::BoundResult Xdc770GetAnReadings(double* analog, double* power) override
    {
        std::fill(analog, analog + 4, 2.5);
        std::fill(power, power + 14, 0.5);
        return 1;
    }
    tlv::BoundResult Xdc770ZeroSensor(int) override { return 0; }
    tlv::BoundResult Xdc770Zero2(int) override { return 0; }
    tlv::BoundResult GetSwitchData(short* pressed, short* knob) override
    {
        *pressed = 0;
        *knob = 0;
        return 0;
    }
    tlv::BoundResult DimBacklight(int) override { return 0; }
    QString failureMessage() const override { return {}; }

private:
    long m_cycle = 0;
};

void BM_PollTick(benchmark::State& state)
{
    cTLV880a tlv(std::make_shared<SteadyLibrary>(), tlv::makeSystemClock());
    tlv.setFilterSize(10);
    SensorMap map;
    for (int s = 0; s < 24; ++s)
        map[s] = s / 2;
    tlv.SendMapSensors(map);
    for (short o = 0; o < 12; ++o) {
        tlv.SendLoop(1.0, 1, 0, 0, o);
        tlv.setSensorQuality(o, 50);
        tlv.setSensorQualityLimit(o, 1000000);
        tlv.setSensorStabilitySingle(o, 1000);
        tlv.setSensorStabilityLimit(o, 1000000);
        tlv.setControlError(o, 90);
        tlv.setControlErrorLimit(o, 1000000);
    }
    double sink = 0;
    QObject::connect(
        &tlv, &cTLV880a::TLVReading,
        [&sink](const SensorArray& s, const OutputArray&, double) { sink += s[0][0]; });
    for (auto _ : state)
        tlv.TLVTimer_Timer();
    benchmark::DoNotOptimize(sink);
}
BENCHMARK(BM_PollTick);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
