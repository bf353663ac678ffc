// One tick of the instrument's reading poll with every health rule switched on: filters over ten
// slots, 24 sensors grouped into 12 loops, crystal, stability, quality and control-error checks,
// and the TLVReading and TLVAnalog events. The library behind it hands out a fresh reading on
// every call, so each tick does the full work (at the shortest period it runs every 50 ms).
#include "instrument/cTLV880a.h"
#include "tlvtest/RecordingLibrary.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The card library double with exactly one new reading and one analog reading at every poll,
// and six cards. It keeps no record of the calls, so the loop measures the poll alone.
std::shared_ptr<tlvtest::RecordingLibrary> SteadyLibrary()
{
    auto lib = std::make_shared<tlvtest::RecordingLibrary>();
    lib->recording = false;
    lib->startupInfo = {0, 300, 300, 300, 300, 300, 300, 0};
    lib->startupResult = 0;
    lib->power.fill(0.5);
    lib->steadyAnalog = true;
    lib->steadyAnalogValues.fill(2.5);
    lib->nextReading = [cycle = 0L](tlvtest::Reading& r) mutable {
        ++cycle;
        for (int s = 0; s < 24; ++s)
            r.sensor(s, 1.0 + 0.01 * static_cast<double>((cycle + s) % 7), 10.0 * cycle,
                     5900000.0 - static_cast<double>(cycle));
        r.power.fill(0.5);
        return true;
    };
    return lib;
}

void BM_PollTick(benchmark::State& state)
{
    cTLV880a tlv(SteadyLibrary(), tlv::makeSystemClock());
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
