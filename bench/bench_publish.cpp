// Cost of publishing: what one sensor reading costs the thread that publishes it (the GUI
// thread in the programs), with the broker connected and with the broker away (queued), and the
// delay from publishing a reading to a subscriber receiving it on loopback (median and 99th
// percentile, as counters). Starts its own mosquitto broker on a free loopback port.

#include "common/mqtt/MqttPublisher.h"

#include "MqttTestPeers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>

#include <benchmark/benchmark.h>
#include <mosquitto.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

using tlv::mqtt::MqttPublisher;
using tlv::mqtt::test::TestBroker;
using Clock = std::chrono::steady_clock;

bool WaitOnline(MqttPublisher& publisher)
{
    QElapsedTimer waited;
    waited.start();
    while (publisher.connection() != MqttPublisher::Connection::Online && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return publisher.connection() == MqttPublisher::Connection::Online;
}

void BM_PublishReadingConnected(benchmark::State& state)
{
    TestBroker broker;
    if (!broker.start()) {
        state.SkipWithError("no mosquitto broker");
        return;
    }
    MqttPublisher publisher(QStringLiteral("bench"));
    publisher.start({broker.url(QStringLiteral("bench")), {}, {}, {}});
    if (!WaitOnline(publisher)) {
        state.SkipWithError("broker did not answer");
        return;
    }
    const QDateTime time = QDateTime::currentDateTimeUtc();
    int sensor = 0;
    for (auto _ : state) {
        publisher.publishSensor(sensor, time, 5.0, 1234.5, 5.95e6);
        sensor = (sensor + 1) % 24;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PublishReadingConnected);

void BM_PublishReadingBrokerAway(benchmark::State& state)
{
    TestBroker broker;
    if (!broker.start()) {
        state.SkipWithError("no mosquitto broker");
        return;
    }
    const QString url = broker.url(QStringLiteral("bench"));
    broker.stop(true); // nothing listens: every reading goes into the bounded queue
    MqttPublisher publisher(QStringLiteral("bench"));
    publisher.start({url, {}, {}, {}});
    const QDateTime time = QDateTime::currentDateTimeUtc();
    int sensor = 0;
    for (auto _ : state) {
        publisher.publishSensor(sensor, time, 5.0, 1234.5, 5.95e6);
        sensor = (sensor + 1) % 24;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PublishReadingBrokerAway);

// A subscriber that notes when each reading (numbered in its "rate") arrives.
struct ArrivalLog {
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Clock::time_point> at;
    bool subscribed = false;
};

void BM_ReadingToSubscriber(benchmark::State& state)
{
    TestBroker broker;
    if (!broker.start()) {
        state.SkipWithError("no mosquitto broker");
        return;
    }
    constexpr int kReadings = 2000;
    ArrivalLog log;
    log.at.resize(kReadings);
    mosquitto* sub = mosquitto_new(nullptr, true, &log);
    mosquitto_connect_callback_set(sub, [](mosquitto* m, void*, int) {
        mosquitto_subscribe(m, nullptr, "bench/+/bench/sensor/#", 0);
    });
    mosquitto_subscribe_callback_set(sub, [](mosquitto*, void* self, int, int, const int*) {
        auto* l = static_cast<ArrivalLog*>(self);
        const std::lock_guard lock(l->mutex);
        l->subscribed = true;
        l->arrived.notify_all();
    });
    mosquitto_message_callback_set(sub, [](mosquitto*, void* self, const mosquitto_message* m) {
        const auto now = Clock::now();
        auto* l = static_cast<ArrivalLog*>(self);
        const QJsonObject body =
            QJsonDocument::fromJson(QByteArray(static_cast<const char*>(m->payload), m->payloadlen))
                .object();
        const int n = body.value(QStringLiteral("rate")).toInt();
        const std::lock_guard lock(l->mutex);
        if (n >= 0 && n < static_cast<int>(l->at.size())) l->at[static_cast<std::size_t>(n)] = now;
        l->arrived.notify_all();
    });
    mosquitto_connect(sub, "127.0.0.1", broker.port(), 30);
    mosquitto_loop_start(sub);
    {
        std::unique_lock lock(log.mutex);
        log.arrived.wait_for(lock, std::chrono::seconds(10), [&] { return log.subscribed; });
    }

    MqttPublisher publisher(QStringLiteral("bench"));
    publisher.start({broker.url(QStringLiteral("bench")), {}, {}, {}});
    if (!WaitOnline(publisher)) {
        state.SkipWithError("broker did not answer");
        return;
    }
    std::vector<double> delays;
    for (auto _ : state) {
        delays.clear();
        const QDateTime time = QDateTime::currentDateTimeUtc();
        for (int n = 0; n < kReadings; ++n) {
            const auto sent = Clock::now();
            publisher.publishSensor(0, time, n, 0.0, 5.95e6);
            std::unique_lock lock(log.mutex);
            const auto slot = static_cast<std::size_t>(n);
            if (!log.arrived.wait_for(lock, std::chrono::seconds(5),
                                      [&] { return log.at[slot] > sent; })) {
                state.SkipWithError("a reading did not arrive");
                break;
            }
            delays.push_back(
                std::chrono::duration<double, std::micro>(log.at[slot] - sent).count());
        }
    }
    mosquitto_disconnect(sub);
    mosquitto_loop_stop(sub, false);
    mosquitto_destroy(sub);
    if (delays.empty()) return;
    std::sort(delays.begin(), delays.end());
    state.counters["median_us"] = delays[delays.size() / 2];
    state.counters["p99_us"] = delays[delays.size() * 99 / 100];
    state.counters["max_us"] = delays.back();
}
BENCHMARK(BM_ReadingToSubscriber)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
