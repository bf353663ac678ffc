// The remote interface's commands: the table that maps headers to actions, parameter checks and
// the answers' formats.
#include "common/remote/ScpiSession.h"

#include "ScpiCommandTable.h"

#include "common/ProgramInfo.h"

#include <array>
#include <charconv>
#include <cmath>

namespace tlv::remote {

namespace detail {

bool IsBareFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) return false;
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           !name.contains(QLatin1Char(':')) && !name.contains(QChar(0));
}

QByteArray QuotedText(const QString& text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    quoted.replace(QLatin1Char('\r'), QLatin1Char(' '));
    quoted.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return '"' + quoted.toUtf8() + '"';
}

Outcome Channel(const ScpiParameter& parameter, int count, const char* what, int& index)
{
    if (parameter.kind != ScpiParameter::Kind::Number) return Outcome::Error(SyntaxError);
    const double number = parameter.number;
    if (number != std::floor(number) || number < 1 || number > count)
        return Outcome::Error(DataOutOfRange,
                              QStringLiteral("%1 are 1 to %2").arg(QLatin1String(what)).arg(count));
    index = static_cast<int>(number) - 1;
    return Outcome::Ok();
}

} // namespace detail

namespace {

using detail::Channel;
using detail::Command;
using detail::Context;
using detail::IsBareFileName;
using detail::Parameters;

Outcome Value(const ScpiParameter& parameter, double& value)
{
    if (parameter.kind != ScpiParameter::Kind::Number) return Outcome::Error(SyntaxError);
    value = parameter.number;
    return Outcome::Ok();
}

QByteArray TripleText(const Triple& t)
{
    return ScpiSession::NumberText(t.a) + ',' + ScpiSession::NumberText(t.b) + ',' +
           ScpiSession::NumberText(t.c);
}

// --- common commands and the error queue

Outcome Identify(Context& c, const Parameters&, QByteArray& answer)
{
    answer = "TLV880," + c.target.Model().toUtf8() + ",0," + tlv::PackageVersion().toUtf8();
    return Outcome::Ok();
}

Outcome ClearStatus(Context& c, const Parameters&, QByteArray&)
{
    c.errors.Clear();
    return Outcome::Ok();
}

Outcome OperationComplete(Context&, const Parameters&, QByteArray& answer)
{
    // Every command has finished when the next one is read.
    answer = "1";
    return Outcome::Ok();
}

Outcome NextError(Context& c, const Parameters&, QByteArray& answer)
{
    answer = c.errors.PopFormatted();
    return Outcome::Ok();
}

// --- readings

Outcome SensorReading(Context& c, const Parameters& p, QByteArray& answer)
{
    int sensor = 0;
    Triple reading;
    Outcome outcome = Channel(p[0], kSensorCount, "Sensors", sensor);
    if (outcome.ok()) outcome = c.target.SensorReading(sensor, reading);
    if (outcome.ok()) answer = TripleText(reading);
    return outcome;
}

// What sensor n's crystal can still take: "thickness,seconds" (kÅ as the sensor reads it, s at
// the present rate); "NAN" for what cannot be told (a failed crystal, a time while the crystal
// is not depositing), never a negative.
Outcome SensorLife(Context& c, const Parameters& p, QByteArray& answer)
{
    int sensor = 0;
    double thickness = 0.0;
    double seconds = 0.0;
    Outcome outcome = Channel(p[0], kSensorCount, "Sensors", sensor);
    if (outcome.ok()) outcome = c.target.SensorLifeLeft(sensor, thickness, seconds);
    if (!outcome.ok()) return outcome;
    auto text = [](double v) {
        return std::isfinite(v) ? ScpiSession::NumberText(v) : QByteArray("NAN");
    };
    answer = text(thickness) + ',' + text(seconds);
    return outcome;
}

Outcome OutputReading(Context& c, const Parameters& p, QByteArray& answer)
{
    int output = 0;
    Triple reading;
    Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output);
    if (outcome.ok()) outcome = c.target.OutputReading(output, reading);
    if (outcome.ok()) answer = TripleText(reading);
    return outcome;
}

Outcome AnalogReading(Context& c, const Parameters& p, QByteArray& answer)
{
    int input = 0;
    double volts = 0.0;
    Outcome outcome = Channel(p[0], kAnalogCount, "Analog inputs", input);
    if (outcome.ok()) outcome = c.target.AnalogVolts(input, volts);
    if (outcome.ok()) answer = ScpiSession::NumberText(volts);
    return outcome;
}

// --- process

Outcome ProcessState(Context& c, const Parameters&, QByteArray& answer)
{
    RunState state = RunState::Stop;
    Outcome outcome = c.target.State(state);
    if (outcome.ok())
        answer = state == RunState::Run ? "RUN" : state == RunState::Hold ? "HOLD" : "STOP";
    return outcome;
}

Outcome Start(Context& c, const Parameters&, QByteArray&)
{
    return c.target.Start();
}
Outcome Stop(Context& c, const Parameters&, QByteArray&)
{
    return c.target.Stop();
}
Outcome Hold(Context& c, const Parameters&, QByteArray&)
{
    return c.target.Hold();
}
Outcome Resume(Context& c, const Parameters&, QByteArray&)
{
    return c.target.Resume();
}

Outcome Zero(Context& c, const Parameters& p, QByteArray&)
{
    if (p[0].kind == ScpiParameter::Kind::Word) {
        if (p[0].word != "ALL") return Outcome::Error(SyntaxError);
        return c.target.ZeroAll();
    }
    int output = 0;
    const Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output);
    return outcome.ok() ? c.target.Zero(output) : outcome;
}

// --- output setpoints

struct ModeName {
    OutputMode mode;
    const char* pattern; // as a mnemonic: short form in capitals
    const char* answer;
};
constexpr std::array<ModeName, 4> kModes{{{OutputMode::Off, "OFF", "OFF"},
                                          {OutputMode::Record, "RECord", "REC"},
                                          {OutputMode::Manual, "MANual", "MAN"},
                                          {OutputMode::Auto, "AUTO", "AUTO"}}};

Outcome SetMode(Context& c, const Parameters& p, QByteArray&)
{
    int output = 0;
    Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output);
    if (!outcome.ok()) return outcome;
    if (p[1].kind != ScpiParameter::Kind::Word) return Outcome::Error(SyntaxError);
    for (const ModeName& name : kModes)
        if (MatchesMnemonic(p[1].word, name.pattern)) return c.target.SetMode(output, name.mode);
    return Outcome::Error(DataOutOfRange, QStringLiteral("Modes are OFF, MAN, AUTO and REC"));
}

Outcome QueryMode(Context& c, const Parameters& p, QByteArray& answer)
{
    int output = 0;
    OutputMode mode = OutputMode::Off;
    Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output);
    if (outcome.ok()) outcome = c.target.Mode(output, mode);
    if (outcome.ok()) answer = kModes[static_cast<size_t>(mode)].answer;
    return outcome;
}

using Setter = Outcome (RemoteTarget::*)(int, double);
using Getter = Outcome (RemoteTarget::*)(int, double&) const;

Outcome SetValue(Context& c, const Parameters& p, Setter setter)
{
    int output = 0;
    double value = 0.0;
    Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output);
    if (outcome.ok()) outcome = Value(p[1], value);
    return outcome.ok() ? (c.target.*setter)(output, value) : outcome;
}

Outcome QueryValue(Context& c, const Parameters& p, QByteArray& answer, Getter getter)
{
    int output = 0;
    double value = 0.0;
    Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output);
    if (outcome.ok()) outcome = (c.target.*getter)(output, value);
    if (outcome.ok()) answer = ScpiSession::NumberText(value);
    return outcome;
}

Outcome SetRate(Context& c, const Parameters& p, QByteArray&)
{
    return SetValue(c, p, &RemoteTarget::SetRate);
}
Outcome SetThick(Context& c, const Parameters& p, QByteArray&)
{
    return SetValue(c, p, &RemoteTarget::SetThickness);
}
Outcome SetPower(Context& c, const Parameters& p, QByteArray&)
{
    return SetValue(c, p, &RemoteTarget::SetPower);
}
Outcome QueryRate(Context& c, const Parameters& p, QByteArray& a)
{
    return QueryValue(c, p, a, &RemoteTarget::Rate);
}
Outcome QueryThick(Context& c, const Parameters& p, QByteArray& a)
{
    return QueryValue(c, p, a, &RemoteTarget::Thickness);
}
Outcome QueryPower(Context& c, const Parameters& p, QByteArray& a)
{
    return QueryValue(c, p, a, &RemoteTarget::Power);
}

// --- setup files

Outcome LoadSetup(Context& c, const Parameters& p, QByteArray&)
{
    if (p[0].kind != ScpiParameter::Kind::String) return Outcome::Error(SyntaxError);
    if (!IsBareFileName(p[0].string))
        return Outcome::Error(FileNameNotFound,
                              QStringLiteral("Give a file name without a folder"));
    return c.target.LoadSetup(p[0].string);
}

// --- the table

constexpr std::array<Command, 24> kCommands{{
    {"*IDN", true, 0, false, Identify},
    {"*CLS", false, 0, false, ClearStatus},
    {"*OPC", true, 0, false, OperationComplete},
    {"SYSTem:ERRor", true, 0, false, NextError},
    {"SYSTem:ERRor:NEXT", true, 0, false, NextError},
    {"MEASure:SENSor", true, 1, false, SensorReading},
    {"MEASure:SENSor:LIFE", true, 1, false, SensorLife},
    {"MEASure:OUTPut", true, 1, false, OutputReading},
    {"MEASure:ANALog", true, 1, false, AnalogReading},
    {"PROCess:STATe", true, 0, false, ProcessState},
    {"PROCess:STARt", false, 0, true, Start},
    {"PROCess:STOP", false, 0, true, Stop},
    {"PROCess:HOLD", false, 0, true, Hold},
    {"PROCess:RESume", false, 0, true, Resume},
    {"PROCess:ZERO", false, 1, true, Zero},
    {"OUTPut:MODE", false, 2, true, SetMode},
    {"OUTPut:MODE", true, 1, false, QueryMode},
    {"OUTPut:RATE", false, 2, true, SetRate},
    {"OUTPut:RATE", true, 1, false, QueryRate},
    {"OUTPut:THICkness", false, 2, true, SetThick},
    {"OUTPut:THICkness", true, 1, false, QueryThick},
    {"OUTPut:POWer", false, 2, true, SetPower},
    {"OUTPut:POWer", true, 1, false, QueryPower},
    {"MMEMory:LOAD", false, 1, true, LoadSetup},
}};

bool Matches(const Command& command, const ScpiUnit& unit)
{
    if (command.path[0] == '*')
        return unit.common && unit.headers.size() == 1 && unit.headers[0] == command.path + 1;
    if (unit.common) return false;
    const QList<QByteArray> patterns = QByteArray(command.path).split(':');
    if (patterns.size() != unit.headers.size()) return false;
    for (qsizetype i = 0; i < patterns.size(); ++i)
        if (!MatchesMnemonic(unit.headers[i], patterns[i].constData())) return false;
    return true;
}

} // namespace

ScpiSession::ScpiSession(RemoteTarget& target, bool controlAllowed)
    : m_target(target), m_controlAllowed(controlAllowed)
{
}

std::optional<QByteArray> ScpiSession::Execute(const QByteArray& line)
{
    const QList<QByteArray> parts = SplitUnits(line);
    if (parts.size() == 1 && parts[0].isEmpty()) return std::nullopt; // an empty line asks nothing
    std::optional<QByteArray> answers;
    for (const QByteArray& part : parts) {
        ScpiUnit unit;
        Outcome outcome = ParseUnit(part, unit);
        QByteArray answer;
        if (outcome.ok()) outcome = Run(unit, answer);
        if (!outcome.ok()) {
            // The rest of the line is not run: a change must never follow a command that failed.
            m_errors.Push(outcome);
            break;
        }
        if (unit.query) answers = answers ? *answers + ';' + answer : answer;
    }
    return answers;
}

Outcome ScpiSession::Run(const ScpiUnit& unit, QByteArray& answer)
{
    const Command* found = nullptr;
    for (const std::span<const Command> table :
         {std::span<const Command>(kCommands), detail::RecipeCommands(), detail::MaterialCommands(),
          detail::TuneCommands(), detail::AlarmCommands()}) {
        for (const Command& command : table) {
            if (!found && command.query == unit.query && Matches(command, unit)) found = &command;
        }
    }
    if (!found) return Outcome::Error(UndefinedHeader);
    if (found->changes) {
        if (!m_target.Controls()) return Outcome::Error(UndefinedHeader);
        if (!m_controlAllowed)
            return Outcome::Error(CommandProtected,
                                  QStringLiteral("Start the program with --remote-control"));
    }
    if (unit.parameters.size() < found->parameters) return Outcome::Error(MissingParameter);
    if (unit.parameters.size() > found->parameters) return Outcome::Error(SyntaxError);
    Context context{m_target, m_errors, m_controlAllowed};
    return found->run(context, unit.parameters, answer);
}

QByteArray ScpiSession::NumberText(double value)
{
    if (!std::isfinite(value)) value = 0.0; // plain decimal has no spelling for these
    if (value == 0.0) value = 0.0;          // no "-0"
    std::array<char, 400> buffer{};         // fixed notation of the largest double fits
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed);
    return QByteArray(buffer.data(), result.ptr - buffer.data());
}

} // namespace tlv::remote
