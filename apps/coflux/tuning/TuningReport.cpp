#include "TuningReport.h"

#include "instrument/OutputSlots.h"

namespace coflux {

namespace {

QString Number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString TermsText(const tlv880::tuning::LoopTermSet& t)
{
    return QStringLiteral("P %1  I %2  D %3").arg(Number(t.p, 1), Number(t.i, 1), Number(t.d, 1));
}

} // namespace

QString PredictionText(const tlv880::tuning::Prediction& p)
{
    const QString settle = p.settleTime >= 0
                               ? QStringLiteral("settles in %1 s").arg(Number(p.settleTime, 1))
                               : QStringLiteral("does not settle");
    return QStringLiteral("%1, overshoot %2 %, power peak %3 %, steady power %4 % +- %5 %")
        .arg(settle, Number(p.overshoot, 1), Number(p.powerPeak, 1), Number(p.steadyPower, 1),
             Number(p.powerSwing, 1));
}

QString TuningReportText(const TuningResult& r, const QString& outputName)
{
    if (r.state != TuningResult::State::Done) return {};
    const tlv880::tuning::SourceModel& m = r.fit.model;
    const int shown = tlv880::OutputNumberOfSlot(r.output);
    QStringList lines;
    lines << QStringLiteral("Output %1 (%2): power step %3 % -> %4 %%5")
                 .arg(shown)
                 .arg(outputName.trimmed(), Number(r.startPower, 1), Number(r.stepPower, 1),
                      r.options.stepDown ? QStringLiteral(" and back") : QString());
    lines << QStringLiteral("Model: gain %1 Å/s per %, time constant %2 s, dead time %3 s, "
                            "threshold %4 %")
                 .arg(Number(m.gain, 4), Number(m.timeConstant, 2), Number(m.deadTime, 2),
                      Number(m.thresholdPower, 1));
    lines << QStringLiteral("Fit quality %1, rate noise %2 Å/s")
                 .arg(Number(r.fit.fitQuality, 3), Number(r.fit.rateNoise, 3));
    lines << QStringLiteral("Proposed terms (%1, %2, closed-loop time %3 s): %4%5")
                 .arg(QLatin1String(tlv880::tuning::TuningRuleName(r.proposed.rule)),
                      QLatin1String(tlv880::tuning::AggressivenessName(r.options.aggressiveness)),
                      Number(r.proposed.closedLoopTime, 2), TermsText(r.proposed.terms),
                      r.proposed.limited ? QStringLiteral(" (brought within the limits)")
                                         : QString());
    lines << QStringLiteral("Current terms: %1").arg(TermsText(r.current));
    lines << QStringLiteral("Predicted at %1 Å/s from power 0:").arg(Number(r.setpoint, 2));
    lines << QStringLiteral("  proposed: %1").arg(PredictionText(r.predictedProposed));
    lines << QStringLiteral("  current:  %1").arg(PredictionText(r.predictedCurrent));
    lines << QStringLiteral("After a soak at %1 % (pre-conditioning): %2 (%3), %4")
                 .arg(Number(r.soakPower, 1), TermsText(r.soakProposed.terms),
                      QLatin1String(tlv880::tuning::TuningRuleName(r.soakProposed.rule)),
                      PredictionText(r.predictedSoak));
    return lines.join(QLatin1Char('\n'));
}

} // namespace coflux
