// libFuzzer target for the remote interface's command lines: framing, parsing and running any
// bytes against a program that accepts every change. Nothing may crash, an answer is always one
// line, the error queue stays bounded and the framer never holds more than one line.
#include "common/alarms/AlarmModel.h"
#include "common/remote/LineFramer.h"
#include "common/remote/ScpiSession.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        fprintf(stderr, "invariant broken: %s\n", what);
        abort();
    }
}

using namespace tlv::remote;

// Accepts everything and answers with values of every kind, negative and fractional included.
class AcceptingTarget : public RemoteTarget {
public:
    QString Model() const override { return QStringLiteral("FUZZ"); }
    bool Controls() const override { return true; }
    Outcome SensorReading(int s, Triple& r) const override { return Fill(s, r); }
    Outcome OutputReading(int o, Triple& r) const override { return Fill(o, r); }
    Outcome AnalogVolts(int, double& v) const override { return Set(v, -9.75); }
    Outcome State(RunState& s) const override
    {
        s = state;
        return Outcome::Ok();
    }
    Outcome Start() override { return Go(RunState::Run); }
    Outcome Stop() override { return Go(RunState::Stop); }
    Outcome Hold() override { return Go(RunState::Hold); }
    Outcome Resume() override { return Go(RunState::Run); }
    Outcome Zero(int o) override { return Check(o, 14); }
    Outcome ZeroAll() override { return Outcome::Ok(); }
    Outcome SetMode(int o, OutputMode m) override
    {
        require(static_cast<int>(m) >= 0 && static_cast<int>(m) <= 3, "mode in range");
        return Check(o, 14);
    }
    Outcome Mode(int o, OutputMode& m) const override
    {
        m = static_cast<OutputMode>(o % 4);
        return Check(o, 14);
    }
    Outcome SetRate(int o, double) override { return Check(o, 14); }
    Outcome Rate(int, double& v) const override { return Set(v, 1e-9); }
    Outcome SetThickness(int o, double) override { return Check(o, 14); }
    Outcome Thickness(int, double& v) const override { return Set(v, 1e300); }
    Outcome SetPower(int o, double) override { return Check(o, 14); }
    Outcome Power(int, double& v) const override { return Set(v, -0.0); }
    Outcome LoadSetup(const QString& name) override
    {
        require(!name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".."),
                "only bare names reach the program");
        return Outcome::Error(FileNameNotFound, name);
    }

    // Two open alarms and a cleared one, so listing and acknowledging have something to do.
    tlv::AlarmModel* Alarms() const override
    {
        if (alarms.history().empty()) {
            alarms.raise(QStringLiteral("crystal"), tlv::AlarmSource::sensor(0),
                         QStringLiteral("Sensor 1 \"Crystal\" Failure."));
            alarms.raise(QStringLiteral("rate"),
                         tlv::AlarmSource::output(0, QStringLiteral("Output 1")),
                         QStringLiteral("Rate, out"), tlv::AlarmSeverity::Warning);
            alarms.raise(QStringLiteral("power"), {}, QStringLiteral("gone"));
            alarms.clear(QStringLiteral("power"), {});
        }
        return &alarms;
    }

private:
    static Outcome Check(int index, int count)
    {
        require(index >= 0 && index < count, "channel in range");
        return Outcome::Ok();
    }
    static Outcome Fill(int index, Triple& r)
    {
        r = {index * 0.1, -index * 1.5, 5e6 - index};
        return Outcome::Ok();
    }
    static Outcome Set(double& out, double value)
    {
        out = value;
        return Outcome::Ok();
    }
    Outcome Go(RunState next)
    {
        state = next;
        return Outcome::Ok();
    }
    RunState state = RunState::Stop;
    mutable tlv::AlarmModel alarms{[] { return QDateTime(QDate(2026, 12, 8), QTime(10, 0)); }};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AcceptingTarget target;
    // The first byte chooses write protection and the chunk size, so split lines and both
    // kinds of session are reached.
    const bool control = size > 0 && (data[0] & 1);
    const size_t chunk = size > 0 ? 1 + data[0] % 64 : 1;
    ScpiSession session(target, control);
    LineFramer framer;
    const char* bytes = reinterpret_cast<const char*>(data);
    for (size_t at = 0; at < size; at += chunk) {
        const qsizetype length = static_cast<qsizetype>(std::min(chunk, size - at));
        for (const FramedLine& line : framer.Feed(bytes + at, length)) {
            require(line.text.size() <= LineFramer::kMaxLineBytes, "lines within the limit");
            require(!line.text.contains('\n'), "no line end inside a line");
            if (line.tooLong) {
                session.LineTooLong();
                continue;
            }
            if (const std::optional<QByteArray> answer = session.Execute(line.text))
                require(!answer->contains('\n') && !answer->contains('\r'), "one answer line");
            require(session.Errors().Size() <= ErrorQueue::kCapacity, "bounded error queue");
        }
        require(framer.Pending() <= LineFramer::kMaxLineBytes + 1, "one line held at most");
    }
    // Reading the queue empties it and ends with "No error".
    for (int i = 0; i <= ErrorQueue::kCapacity; ++i)
        session.Execute("SYST:ERR?");
    require(session.Execute("SYST:ERR?") == QByteArray("0,\"No error\""), "queue drains");
    return 0;
}
