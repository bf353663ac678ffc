#include "tlvtest/RecordingLibrary.h"

#include <algorithm>
#include <iterator>

namespace tlvtest {

namespace {

QString Num(const QVariant& value)
{
    return value.typeId() == QMetaType::Double ? QString::number(value.toDouble(), 'g', 10)
                                               : value.toString();
}

// The polls a program makes on its timers; they are not commands.
bool IsPoll(const QString& name)
{
    return name == QLatin1String("Xdc770GetReadings") ||
           name == QLatin1String("Xdc770GetAnReadings") ||
           name == QLatin1String("Xdc770GetPower") || name == QLatin1String("GetSwitchData");
}

QString Joined(const QVariantList& args, qsizetype from, qsizetype to, QChar separator)
{
    QStringList parts;
    for (qsizetype i = from; i < to && i < args.size(); ++i)
        parts << Num(args[i]);
    return parts.join(separator);
}

} // namespace

int RecordingLibrary::count(const QString& name) const
{
    return static_cast<int>(
        std::count_if(calls.begin(), calls.end(), [&](const Call& c) { return c.name == name; }));
}

const Call* RecordingLibrary::last(const QString& name) const
{
    for (auto it = calls.rbegin(); it != calls.rend(); ++it)
        if (it->name == name) return &*it;
    return nullptr;
}

std::vector<Call> RecordingLibrary::all(const QString& name) const
{
    std::vector<Call> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                 [&](const Call& c) { return c.name == name; });
    return found;
}

std::vector<int> RecordingLibrary::lastMap() const
{
    std::vector<int> map;
    if (const Call* c = last(QStringLiteral("Xdc770MapSensors")))
        for (const QVariant& v : c->args)
            map.push_back(v.toInt());
    return map;
}

QString RecordingLibrary::line(const Call& call)
{
    QString name = call.name;
    if (name.startsWith(QLatin1String("Xdc770"))) name.remove(0, 6);
    const QVariantList& a = call.args;
    if (name == QLatin1String("Startup2")) return QStringLiteral("Startup ") + Num(a.value(0));
    if (name == QLatin1String("Zero2")) return QStringLiteral("Zero ") + Num(a.value(0));
    if (name == QLatin1String("Loop2"))
        return QStringLiteral("Loop %1 %2").arg(Num(a.value(4)), Joined(a, 0, 4, QLatin1Char(' ')));
    if (name == QLatin1String("MapSensors") || name == QLatin1String("MapAnSensors"))
        return name + QLatin1Char(' ') + Joined(a, 0, a.size(), QLatin1Char(','));
    return a.isEmpty() ? name : name + QLatin1Char(' ') + Joined(a, 0, a.size(), QLatin1Char(' '));
}

QStringList RecordingLibrary::lines() const
{
    QStringList found;
    for (const Call& c : calls)
        if (!IsPoll(c.name)) found << line(c);
    return found;
}

QStringList RecordingLibrary::linesOf(const QString& prefix) const
{
    QStringList found;
    for (const QString& l : lines())
        if (l.startsWith(prefix)) found << l;
    return found;
}

std::optional<int> RecordingLibrary::record(const char* name, QVariantList args)
{
    const Call* call = &m_scratch;
    if (recording) {
        calls.push_back({QString::fromLatin1(name), std::move(args)});
        call = &calls.back();
    } else if (libraryMissing || !missing.isEmpty() || during || refuse) {
        m_scratch = {QString::fromLatin1(name), std::move(args)};
    } else {
        return 0; // nothing to keep and nothing to decide: the benchmark's fast path
    }
    if (libraryMissing) {
        m_failure = QStringLiteral("The card library libtlv880a.so was not found.");
        return std::nullopt;
    }
    if (missing.contains(call->name)) {
        m_failure =
            QStringLiteral("The card library libtlv880a.so has no export %1.").arg(call->name);
        return std::nullopt;
    }
    // Copied first: the test's code may clear the record, or make calls of its own.
    const Call current = *call;
    const int refusal = refuse && !IsPoll(current.name) ? refuse(line(current)) : 0;
    if (during) during(current);
    return refusal;
}

int RecordingLibrary::result(const char* name) const
{
    const auto it = results.find(QString::fromLatin1(name));
    return it == results.end() ? 0 : it->second;
}

tlv::BoundResult RecordingLibrary::answer(const char* name, QVariantList args)
{
    const auto refusal = record(name, std::move(args));
    if (!refusal) return std::nullopt;
    return *refusal != 0 ? *refusal : result(name);
}

tlv::BoundResult RecordingLibrary::Xdc770Startup2(int command, int* info)
{
    const auto refusal = record("Xdc770Startup2", {command});
    if (!refusal) return std::nullopt;
    if (command == -1) return *refusal;
    for (int i = 1; i < 8; ++i)
        info[i] = startupInfo[static_cast<size_t>(i)];
    return *refusal != 0 ? *refusal : startupResult;
}

tlv::BoundResult RecordingLibrary::Xdc770Init(double fmax, double fmin, double finit, double period)
{
    return answer("Xdc770Init", {fmax, fmin, finit, period});
}

tlv::BoundResult RecordingLibrary::Xdc770Material(int sensorMask, double density, double zFactor,
                                                  double tooling)
{
    return answer("Xdc770Material", {sensorMask, density, zFactor, tooling});
}

tlv::BoundResult RecordingLibrary::Xdc770MapSensors(const int* map)
{
    QVariantList args;
    for (int i = 0; i < 24; ++i)
        args << map[i];
    return answer("Xdc770MapSensors", args);
}

tlv::BoundResult RecordingLibrary::Xdc770MapAnSensors(const int* map)
{
    return answer("Xdc770MapAnSensors", {map[0], map[1], map[2], map[3]});
}

tlv::BoundResult RecordingLibrary::Xdc770Loop2(double setpoint, double pTerm, double iTerm,
                                               double dTerm, int output)
{
    return answer("Xdc770Loop2", {setpoint, pTerm, iTerm, dTerm, output});
}

tlv::BoundResult RecordingLibrary::Xdc770SetPower(int output, double level)
{
    return answer("Xdc770SetPower", {output, level});
}

tlv::BoundResult RecordingLibrary::Xdc770FullScale(int output, double volts, double maxPower,
                                                   double slewRate)
{
    return answer("Xdc770FullScale", {output, volts, maxPower, slewRate});
}

tlv::BoundResult RecordingLibrary::Xdc770GetPower(double* out)
{
    if (!record("Xdc770GetPower", {})) return std::nullopt;
    std::copy(power.begin(), power.end(), out);
    return result("Xdc770GetPower");
}

tlv::BoundResult RecordingLibrary::Xdc770StartMeas()
{
    return answer("Xdc770StartMeas", {});
}

tlv::BoundResult RecordingLibrary::Xdc770Simulate(int mode)
{
    return answer("Xdc770Simulate", {mode});
}

tlv::BoundResult RecordingLibrary::Xdc770GetReadings(double* values, double* out)
{
    if (!record("Xdc770GetReadings", {})) return std::nullopt;
    if (nextReading) {
        Reading made;
        if (!nextReading(made)) return 0;
        readings.push_back(made);
    }
    while (readings.size() > 9) // the ring keeps 9 unread slots, dropping the oldest
        readings.pop_front();
    if (readings.empty()) return 0;
    const int unread = static_cast<int>(readings.size());
    std::copy(readings.front().values.begin(), readings.front().values.end(), values);
    std::copy(readings.front().power.begin(), readings.front().power.end(), out);
    m_lastPower = readings.front().power;
    readings.pop_front();
    return unread;
}

tlv::BoundResult RecordingLibrary::Xdc770GetAnReadings(double* values, double* out)
{
    if (!record("Xdc770GetAnReadings", {})) return std::nullopt;
    if (steadyAnalog) analog.push_back(steadyAnalogValues);
    while (analog.size() > 9)
        analog.pop_front();
    if (analog.empty()) return 0;
    const int unread = static_cast<int>(analog.size());
    std::copy(analog.front().begin(), analog.front().end(), values);
    std::copy(m_lastPower.begin(), m_lastPower.end(), out);
    analog.pop_front();
    return unread;
}

tlv::BoundResult RecordingLibrary::Xdc770ZeroSensor(int sensor)
{
    return answer("Xdc770ZeroSensor", {sensor});
}

tlv::BoundResult RecordingLibrary::Xdc770Zero2(int output)
{
    return answer("Xdc770Zero2", {output});
}

tlv::BoundResult RecordingLibrary::GetSwitchData(short* pressed, short* knobChange)
{
    if (!record("GetSwitchData", {})) return std::nullopt;
    *pressed = 0;
    *knobChange = 0;
    if (!panel.empty()) {
        *pressed = panel.front().first;
        *knobChange = panel.front().second;
        panel.pop_front();
    }
    return 0;
}

tlv::BoundResult RecordingLibrary::DimBacklight(int dim)
{
    return answer("DimBacklight", {dim});
}

} // namespace tlvtest
