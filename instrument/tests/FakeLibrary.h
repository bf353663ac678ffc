#pragma once

// A test double of the card library binding: records every call, answers with results the test
// sets, hands out queued readings the way the library's ring does, and can play a missing export.
// Also a clock the test steps by hand.

#include "instrument/cTLV880a.h"

#include <QSet>
#include <QSignalSpy>
#include <QTimer>
#include <QVariantList>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace fake {

struct Call {
    QString name;
    QVariantList args;
};

struct Reading {
    std::array<double, 72> values{}; // rate 0..23, thickness 24..47, frequency 48..71
    std::array<double, 14> power{};  // fractions

    Reading& sensor(int s, double rate, double thickness, double frequency)
    {
        values[s] = rate;
        values[24 + s] = thickness;
        values[48 + s] = frequency;
        return *this;
    }
    Reading& all(double rate, double thickness, double frequency)
    {
        for (int s = 0; s < 24; ++s)
            sensor(s, rate, thickness, frequency);
        return *this;
    }
};

class Library final : public tlv::LibraryBinding {
public:
    // Start-up: the info the library writes (entries 1..7) and its result.
    std::array<int, 8> startupInfo{};
    int startupResult = 904;

    std::map<QString, int> results; // result per export name; 0 when absent
    QSet<QString> missing;          // exports that cannot be bound
    std::vector<Call> calls;

    std::deque<Reading> readings;              // oldest first; at most 9 are reported unread
    std::deque<AnalogArray> analog;            // oldest first
    std::array<double, 14> power{};            // what Xdc770GetPower reports
    std::deque<std::pair<short, short>> panel; // switches, knob per GetSwitchData call
    std::function<void()> onGetReadings;       // runs inside Xdc770GetReadings (re-entry tests)

    int count(const QString& name) const
    {
        int n = 0;
        for (const Call& c : calls)
            n += c.name == name;
        return n;
    }
    const Call* last(const QString& name) const
    {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->name == name) return &*it;
        return nullptr;
    }
    std::vector<int> lastMap() const
    {
        std::vector<int> map;
        if (const Call* c = last(QStringLiteral("Xdc770MapSensors")))
            for (const QVariant& v : c->args)
                map.push_back(v.toInt());
        return map;
    }

    tlv::BoundResult Xdc770Startup2(int command, int* info) override
    {
        if (!record("Xdc770Startup2", {command})) return std::nullopt;
        if (command == -1) return 0;
        for (int i = 1; i < 8; ++i)
            info[i] = startupInfo[i];
        return startupResult;
    }
    tlv::BoundResult Xdc770Init(double fmax, double fmin, double finit, double period) override
    {
        return answer("Xdc770Init", {fmax, fmin, finit, period});
    }
    tlv::BoundResult Xdc770Material(int mask, double density, double z, double tooling) override
    {
        return answer("Xdc770Material", {mask, density, z, tooling});
    }
    tlv::BoundResult Xdc770MapSensors(const int* map) override
    {
        QVariantList args;
        for (int i = 0; i < 24; ++i)
            args << map[i];
        return answer("Xdc770MapSensors", args);
    }
    tlv::BoundResult Xdc770MapAnSensors(const int* map) override
    {
        return answer("Xdc770MapAnSensors", {map[0], map[1], map[2], map[3]});
    }
    tlv::BoundResult Xdc770Loop2(double sp, double p, double i, double d, int out) override
    {
        return answer("Xdc770Loop2", {sp, p, i, d, out});
    }
    tlv::BoundResult Xdc770SetPower(int out, double pw) override
    {
        return answer("Xdc770SetPower", {out, pw});
    }
    tlv::BoundResult Xdc770FullScale(int out, double volts, double maxPower, double slew) override
    {
        return answer("Xdc770FullScale", {out, volts, maxPower, slew});
    }
    tlv::BoundResult Xdc770GetPower(double* out) override
    {
        if (!record("Xdc770GetPower", {})) return std::nullopt;
        std::copy(power.begin(), power.end(), out);
        return result("Xdc770GetPower");
    }
    tlv::BoundResult Xdc770StartMeas() override { return answer("Xdc770StartMeas", {}); }
    tlv::BoundResult Xdc770Simulate(int mode) override { return answer("Xdc770Simulate", {mode}); }
    tlv::BoundResult Xdc770GetReadings(double* values, double* pw) override
    {
        if (!record("Xdc770GetReadings", {})) return std::nullopt;
        if (onGetReadings) onGetReadings();
        while (readings.size() > 9) // the ring keeps 9 unread slots, dropping the oldest
            readings.pop_front();
        if (readings.empty()) return 0;
        const int unread = static_cast<int>(readings.size());
        std::copy(readings.front().values.begin(), readings.front().values.end(), values);
        std::copy(readings.front().power.begin(), readings.front().power.end(), pw);
        lastPower = readings.front().power;
        readings.pop_front();
        return unread;
    }
    tlv::BoundResult Xdc770GetAnReadings(double* values, double* pw) override
    {
        if (!record("Xdc770GetAnReadings", {})) return std::nullopt;
        while (analog.size() > 9)
            analog.pop_front();
        if (analog.empty()) return 0;
        const int unread = static_cast<int>(analog.size());
        std::copy(analog.front().begin(), analog.front().end(), values);
        std::copy(lastPower.begin(), lastPower.end(), pw);
        analog.pop_front();
        return unread;
    }
    tlv::BoundResult Xdc770ZeroSensor(int sensor) override
    {
        return answer("Xdc770ZeroSensor", {sensor});
    }
    tlv::BoundResult Xdc770Zero2(int out) override { return answer("Xdc770Zero2", {out}); }
    tlv::BoundResult GetSwitchData(short* pressed, short* knob) override
    {
        if (!record("GetSwitchData", {})) return std::nullopt;
        *pressed = 0;
        *knob = 0;
        if (!panel.empty()) {
            *pressed = panel.front().first;
            *knob = panel.front().second;
            panel.pop_front();
        }
        return 0;
    }
    tlv::BoundResult DimBacklight(int dim) override { return answer("DimBacklight", {dim}); }

    QString failureMessage() const override { return m_failure; }

private:
    bool record(const char* name, QVariantList args)
    {
        const QString n = QString::fromLatin1(name);
        calls.push_back({n, std::move(args)});
        if (missing.contains(n)) {
            m_failure = QStringLiteral("The card library libtlv880a.so has no export %1.").arg(n);
            return false;
        }
        return true;
    }
    int result(const char* name) const
    {
        const auto it = results.find(QString::fromLatin1(name));
        return it == results.end() ? 0 : it->second;
    }
    tlv::BoundResult answer(const char* name, QVariantList args)
    {
        if (!record(name, std::move(args))) return std::nullopt;
        return result(name);
    }

    std::array<double, 14> lastPower{};
    QString m_failure;
};

class Clock final : public tlv::InstrumentClock {
public:
    QDateTime current{QDate(2026, 3, 2), QTime(10, 0, 0)};
    QDateTime now() const override { return current; }
    void advance(double seconds) { current = current.addMSecs(qRound64(seconds * 1000.0)); }
};

// Everything a test needs around one instrument built on the double.
struct Rig {
    std::shared_ptr<Library> lib = std::make_shared<Library>();
    std::shared_ptr<Clock> clock = std::make_shared<Clock>();
    std::unique_ptr<cTLV880a> tlv;
    std::unique_ptr<QSignalSpy> errors;
    std::unique_ptr<QSignalSpy> sensorEvents;
    std::unique_ptr<QSignalSpy> outputEvents;

    explicit Rig(cTLV880a::Build build = cTLV880a::Build::Standard,
                 const std::function<void(Library&)>& prepare = {})
    {
        if (prepare) prepare(*lib);
        tlv = std::make_unique<cTLV880a>(lib, clock, nullptr, build);
        // The panel timer is ticked by hand so that nothing runs behind a test's back.
        tlv->findChild<QTimer*>(QStringLiteral("FPTimer"))->stop();
        errors = std::make_unique<QSignalSpy>(tlv.get(), &cTLV880a::TLVError);
        sensorEvents = std::make_unique<QSignalSpy>(tlv.get(), &cTLV880a::TLVSensorEvent);
        outputEvents = std::make_unique<QSignalSpy>(tlv.get(), &cTLV880a::TLVOutputEvent);
        lib->calls.clear();
    }

    int lastErrorNumber() const { return errors->isEmpty() ? 0 : errors->last().at(0).toInt(); }
    QString lastErrorMessage() const
    {
        return errors->isEmpty() ? QString() : errors->last().at(1).toString();
    }
    // Queues one reading with the same rate, thickness and frequency on every sensor.
    void queue(double rate, double thickness = 0.0, double frequency = 5.9e6)
    {
        Reading r;
        r.all(rate, thickness, frequency);
        lib->readings.push_back(r);
    }
};

} // namespace fake
