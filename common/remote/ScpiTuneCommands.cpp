// Loop tuning of an output through the remote interface:
//   OUTP:TUNE:STAR <n>,<step %>,CALM|NORMal|FAST  open-loop step from the present power
//   OUTP:TUNE:STAT? <n>   IDLE|RUNNING|DONE|REFUSED,"<message>"
//   OUTP:TUNE:RES? <n>    gain,time constant,dead time,fit quality,rate noise,P,I,D,
//                         settle,overshoot,power peak (proposed terms),
//                         settle,overshoot,power peak (current terms)
//   OUTP:TUNE:APPL <n>    the proposed terms become the output's, as the output editor writes
#include "ScpiCommandTable.h"

#include "common/remote/ScpiSession.h"

#include <array>

namespace tlv::remote::detail {

namespace {

const char* StateWord(TuningState state)
{
    switch (state) {
    case TuningState::Running:
        return "RUNNING";
    case TuningState::Done:
        return "DONE";
    case TuningState::Refused:
        return "REFUSED";
    case TuningState::Idle:
        break;
    }
    return "IDLE";
}

struct Aggressiveness {
    const char* pattern;
    int value;
};
constexpr std::array<Aggressiveness, 3> kAggressiveness{{{"CALM", 0}, {"NORMal", 1}, {"FAST", 2}}};

Outcome Start(Context& c, const Parameters& p, QByteArray&)
{
    int output = 0;
    if (Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output); !outcome.ok())
        return outcome;
    if (p[1].kind != ScpiParameter::Kind::Number || p[2].kind != ScpiParameter::Kind::Word)
        return Outcome::Error(SyntaxError);
    for (const Aggressiveness& a : kAggressiveness)
        if (MatchesMnemonic(p[2].word, a.pattern))
            return c.target.StartTuning(output, p[1].number, a.value);
    return Outcome::Error(DataOutOfRange, QStringLiteral("Aggressiveness is CALM, NORM or FAST"));
}

Outcome State(Context& c, const Parameters& p, QByteArray& answer)
{
    int output = 0;
    TuningStatus status;
    Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output);
    if (outcome.ok()) outcome = c.target.Tuning(output, status);
    if (outcome.ok())
        answer = QByteArray(StateWord(status.state)) + ',' + QuotedText(status.message);
    return outcome;
}

Outcome Result(Context& c, const Parameters& p, QByteArray& answer)
{
    int output = 0;
    TuningFigures f;
    Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output);
    if (outcome.ok()) outcome = c.target.TuningResult(output, f);
    if (!outcome.ok()) return outcome;
    answer.clear();
    for (double value :
         {f.gain, f.timeConstant, f.deadTime, f.fitQuality, f.rateNoise, f.p, f.i, f.d, f.settle,
          f.overshoot, f.powerPeak, f.currentSettle, f.currentOvershoot, f.currentPowerPeak}) {
        if (!answer.isEmpty()) answer += ',';
        answer += ScpiSession::NumberText(value);
    }
    return Outcome::Ok();
}

Outcome Apply(Context& c, const Parameters& p, QByteArray&)
{
    int output = 0;
    if (Outcome outcome = Channel(p[0], kOutputCount, "Outputs", output); !outcome.ok())
        return outcome;
    return c.target.ApplyTuning(output);
}

constexpr std::array<Command, 4> kTuneCommands{{
    {"OUTPut:TUNE:STARt", false, 3, true, Start},
    {"OUTPut:TUNE:STATe", true, 1, false, State},
    {"OUTPut:TUNE:RESult", true, 1, false, Result},
    {"OUTPut:TUNE:APPLy", false, 1, true, Apply},
}};

} // namespace

std::span<const Command> TuneCommands()
{
    return kTuneCommands;
}

} // namespace tlv::remote::detail
