#pragma once
// A tuning run's result as text: the identified model, the proposed terms beside the current
// ones, and the predicted loop with both, for a headless run's output and the Tune window.

#include "TuningRun.h"

#include <QString>

namespace coflux {

// Several lines; empty unless the result is Done.
QString TuningReportText(const TuningResult& result, const QString& outputName);

// One prediction as a line: "settle 6.5 s, overshoot 1.2 %, power peak 60.1 %" (or "does not
// settle").
QString PredictionText(const tlv880::tuning::Prediction& prediction);

} // namespace coflux
