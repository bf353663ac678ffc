#include "TuningRun.h"

#include "Deposition.h"

#include "instrument/OutputSlots.h"

#include <algorithm>
#include <cmath>

namespace coflux {

namespace {

using namespace tlv880::tuning;

constexpr double kMinimumPhase = 5; // s at least at the start power, and after each step
constexpr double kSecondsPerDay = 86400;

int ShownNumber(int j)
{
    return tlv880::OutputNumberOfSlot(j);
}

QString Percent(double value)
{
    return QString::number(value, 'f', 1);
}

} // namespace

TuningRun::TuningRun(Deposition& process) : m_process(process) {}

CommandResult TuningRun::Start(int j, const TuningOptions& options)
{
    using Status = CommandResult::Status;
    auto refused = [](Status status, const QString& text) {
        return CommandResult::refused(status, text);
    };
    if (Running())
        return refused(Status::RefusedByRunState,
                       QStringLiteral("Output %1 is being tuned: wait for the result or stop "
                                      "the deposition.")
                           .arg(ShownNumber(m_result.output)));
    if (!IsShownOutput(j) || !m_process.IsPresentOutput(j))
        return refused(Status::NotPresent,
                       QStringLiteral("There is no output %1 to tune.").arg(j + 1));
    if (m_process.RunState() != RunRunning)
        return refused(Status::RefusedByRunState,
                       QStringLiteral("Start the deposition before tuning: the power step needs "
                                      "the source running."));
    const OutputRecord& out = m_process.Tables().Output(j);
    if (InputAnalog(out.Input) >= 0 || InputOutput(out.Input) >= 0 ||
        (out.Input & kSensorBitsMask) == 0)
        return refused(Status::OutOfRange,
                       QStringLiteral("Output %1 has no sensor to measure its rate: only a rate "
                                      "loop can be tuned.")
                           .arg(ShownNumber(j)));
    if (out.Mode != ModeManual && out.Mode != ModeAuto)
        return refused(Status::RefusedByRunState,
                       QStringLiteral("Output %1 is neither in Manual nor in Auto: there is no "
                                      "power to step from.")
                           .arg(ShownNumber(j)));
    const double present = out.Mode == ModeManual
                               ? m_process.ManualPower(j)
                               : m_process.Readings().OutPower.at(static_cast<size_t>(j));
    const double start = options.startPower >= 0 ? options.startPower : present;
    const double maximum = std::min(out.MaxPwr, cTLV880a::PowerMax());
    if (!std::isfinite(start) || start < 0 || start >= maximum)
        return refused(Status::OutOfRange,
                       QStringLiteral("The start power must be at least 0 and below the output's "
                                      "maximum power of %1 % !")
                           .arg(Percent(maximum)));
    if (!std::isfinite(options.step) || options.step < 0.5 || options.step > 50)
        return refused(Status::OutOfRange,
                       QStringLiteral("The power step must be between 0.5 and 50 % !"));
    if (!std::isfinite(options.timeout) || options.timeout < 10 || options.timeout > 3600)
        return refused(Status::OutOfRange,
                       QStringLiteral("The time-out must be between 10 and 3600 s !"));

    m_previousMode = out.Mode;
    m_previousManual = m_process.ManualPower(j);
    m_result = {};
    m_result.output = j;
    m_result.options = options;
    m_result.startPower = start;
    // Never above the output's maximum power: the step is cut there.
    m_result.stepPower = std::min(start + options.step, maximum);
    if (CommandResult sent = m_process.SetOpenLoopPower(j, start); !sent.ok()) return sent;
    m_result.state = TuningResult::State::Running;
    m_phase = Phase::Settling;
    m_firstTime = -1;
    m_phaseStart = 0;
    m_downTime = -1;
    m_result.message = PhaseText();
    emit changed(j);
    return CommandResult::done();
}

QString TuningRun::PhaseText() const
{
    switch (m_phase) {
    case Phase::Settling:
        return QStringLiteral("Settling at %1 %.").arg(Percent(m_result.startPower));
    case Phase::Stepping:
        return QStringLiteral("Step to %1 %: recording the response.")
            .arg(Percent(m_result.stepPower));
    case Phase::SteppingDown:
        return QStringLiteral("Step back to %1 %: recording the response.")
            .arg(Percent(m_result.startPower));
    }
    return {};
}

// Steady: the mean rate of the last window and of the window before differ by no more than
// their noise and a small share of the rate's change since `since` began.
bool TuningRun::Steady(double since, double minimum) const
{
    const std::vector<double>& t = m_result.times;
    const std::vector<double>& y = m_result.rates;
    const double now = t.back();
    if (now - since < minimum) return false;
    const double window = std::max(2.0, (now - since) / 5);
    double lastSum = 0, lastSquares = 0, priorSum = 0, referenceSum = 0;
    int last = 0, prior = 0, reference = 0;
    for (size_t k = 0; k < t.size(); ++k) {
        if (t[k] > now - window) {
            lastSum += y[k];
            lastSquares += y[k] * y[k];
            ++last;
        } else if (t[k] > now - 2 * window) {
            priorSum += y[k];
            ++prior;
        }
        // The rate just before `since`: the level the change is measured from.
        if (t[k] <= since && t[k] > since - 2) {
            referenceSum += y[k];
            ++reference;
        }
    }
    if (last < 3 || prior < 3) return false;
    const double lastMean = lastSum / last, priorMean = priorSum / prior;
    const double variance = std::max(0.0, lastSquares / last - lastMean * lastMean);
    const double meanError = std::sqrt(variance * (1.0 / last + 1.0 / prior));
    const double change = reference > 0 ? std::fabs(lastMean - referenceSum / reference) : 0;
    const double tolerance =
        std::max({4 * meanError, 0.03 * change, 0.01 * std::fabs(lastMean), 0.005});
    return std::fabs(lastMean - priorMean) <= tolerance;
}

void TuningRun::Reading(double time)
{
    if (!Running()) return;
    const int j = m_result.output;
    if (m_firstTime < 0) m_firstTime = time;
    double t = time - m_firstTime;
    if (t < 0) t += kSecondsPerDay; // past midnight
    const ReadingArrays& readings = m_process.Readings();
    m_result.times.push_back(t);
    m_result.rates.push_back(readings.OutRate.at(static_cast<size_t>(j)));
    m_result.powers.push_back(readings.OutPower.at(static_cast<size_t>(j)));

    const int input = m_process.Tables().Output(j).Input;
    for (int s = 0; s < kSensorSlots; ++s) {
        if (InputHasSensor(input, s) && readings.SenFreq.at(static_cast<size_t>(s)) < 1) {
            RestoreOutput(true);
            Refuse(QStringLiteral("Tuning of output %1 ended: crystal failure on sensor %2. "
                                  "No term was changed.")
                       .arg(ShownNumber(j))
                       .arg(s + 1));
            return;
        }
    }
    if (t > m_result.options.timeout) {
        RestoreOutput(true);
        Refuse(QStringLiteral("Tuning of output %1 ended: time-out, the rate did not settle "
                              "within %2 s. No term was changed.")
                   .arg(ShownNumber(j))
                   .arg(m_result.options.timeout));
        return;
    }

    switch (m_phase) {
    case Phase::Settling:
        if (Steady(m_phaseStart, kMinimumPhase)) {
            m_stepTime = t;
            m_phase = Phase::Stepping;
            m_process.SetManualPower(j, m_result.stepPower);
        }
        break;
    case Phase::Stepping:
        if (!Steady(m_stepTime, kMinimumPhase)) break;
        if (!m_result.options.stepDown) {
            Finish();
            return;
        }
        m_downTime = t;
        m_phase = Phase::SteppingDown;
        m_process.SetManualPower(j, m_result.startPower);
        break;
    case Phase::SteppingDown:
        if (Steady(m_downTime, kMinimumPhase)) {
            Finish();
            return;
        }
        break;
    }
    m_result.message = PhaseText();
    emit changed(j);
}

void TuningRun::DepositionEnded(const QString& why)
{
    if (!Running()) return;
    RestoreOutput(false); // the deposition's own rule has set the power
    QString text = why;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    Refuse(QStringLiteral("Tuning of output %1 ended: %2 No term was changed.")
               .arg(ShownNumber(m_result.output))
               .arg(text));
}

void TuningRun::RestoreOutput(bool sendPower)
{
    const int j = m_result.output;
    if (m_previousMode == ModeAuto) {
        // The loop takes over from the power it had before the run (bumpless), then the manual
        // setpoint is the operator's again.
        if (sendPower) m_process.SetManualPower(j, m_result.startPower);
        m_process.SetMode(j, ModeAuto);
    }
    m_process.SetManualPower(j, m_previousManual);
}

void TuningRun::Refuse(const QString& message)
{
    m_result.state = TuningResult::State::Refused;
    m_result.message = message;
    emit changed(m_result.output);
}

void TuningRun::Finish()
{
    const int j = m_result.output;
    RestoreOutput(true);
    const cTLV880a& tlv = m_process.Instrument();
    const double period = tlv.Period();
    StepRecord record;
    record.window = period * std::max(1, tlv.FilterSize());
    // The baseline: the steady readings just before the step.
    const double from = m_stepTime - std::min(10.0, m_stepTime / 2);
    record.powers = {{from, m_result.startPower}, {m_stepTime, m_result.stepPower}};
    if (m_downTime >= 0) record.powers.push_back({m_downTime, m_result.startPower});
    for (size_t k = 0; k < m_result.times.size(); ++k) {
        if (m_result.times[k] < from) continue;
        record.times.push_back(m_result.times[k]);
        record.rates.push_back(m_result.rates[k]);
    }
    m_result.fit = FitStep(record);
    if (m_result.fit.verdict != FitVerdict::Fitted) {
        Refuse(QStringLiteral("Tuning of output %1: %2")
                   .arg(ShownNumber(j))
                   .arg(QString::fromStdString(m_result.fit.message)));
        return;
    }
    // The fitted rates at every recorded time, for drawing over the whole record.
    m_result.fit.modelRates = ModelRates(m_result.fit.model, m_result.fit.baseRate, record.powers,
                                         m_result.times, record.window);
    const OutputRecord& out = m_process.Tables().Output(j);
    m_result.current = {out.PTerm, out.ITerm, out.DTerm};
    LoopConditions conditions;
    conditions.setpoint = m_result.setpoint = out.Rate;
    conditions.period = period;
    conditions.filter = tlv.FilterSize();
    conditions.maxPower = out.MaxPwr / 100;
    conditions.slewRate = out.SlewRate / 100;
    const SourceModel& m = m_result.fit.model;
    conditions.seconds = std::clamp(10 * (m.timeConstant + m.deadTime) + 30, 60.0, 600.0);
    // The loop sees the library's own rate; the recorded one is the mean of the filter's
    // readings, whose noise is smaller by the square root of their number.
    conditions.rateNoise = m_result.fit.rateNoise * std::sqrt(double(conditions.filter));
    m_result.proposed = ChooseTerms(m, m_result.options.aggressiveness, conditions);
    m_result.predictedProposed = PredictLoop(m, m_result.proposed.terms, conditions);
    m_result.predictedCurrent = PredictLoop(m, m_result.current, conditions);
    m_result.soakPower = SoakPower(m, conditions);
    conditions.startPower = m_result.soakPower / 100;
    m_result.soakProposed = ChooseTerms(m, m_result.options.aggressiveness, conditions);
    m_result.predictedSoak = PredictLoop(m, m_result.soakProposed.terms, conditions);
    m_result.state = TuningResult::State::Done;
    m_result.message = QStringLiteral("Output %1 identified: terms proposed.").arg(ShownNumber(j));
    emit changed(j);
}

CommandResult TuningRun::Apply(int j)
{
    if (m_result.state != TuningResult::State::Done || m_result.output != j)
        return CommandResult::refused(
            CommandResult::Status::RefusedByRunState,
            QStringLiteral("Output %1 has no tuning result to apply.").arg(ShownNumber(j)));
    const LoopTermSet& t = m_result.proposed.terms;
    return m_process.SetLoopTerms(j, t.p, t.i, t.d);
}

} // namespace coflux
