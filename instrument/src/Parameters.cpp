// cTLV880a: loop terms, output scaling, power, film material, zeroing, names and health settings.
// A setting is checked, sent to the library at once and stored only when the library took it.

#include "instrument/cTLV880a.h"

#include "CommonSupport.h"
#include "InstrumentMessages.h"

namespace msg = tlv::msg;

namespace {
// Written so that a NaN is refused as well.
bool within(double value, double low, double high)
{
    return value >= low && value <= high;
}

enum LoopTerm { kRateTerm = 0, kPTerm, kITerm, kDTerm };

// Range check of one loop term: error number and message, or 0 when it is within its limits.
int loopTermError(int term, double value, QString& message)
{
    switch (term) {
    case kRateTerm:
        message = msg::kRate;
        return within(value, cTLV880a::RateMin(), cTLV880a::RateMax()) ? 0 : 6;
    case kPTerm:
        message = msg::kPTerm;
        return within(value, cTLV880a::PTermMin(), cTLV880a::PTermMax()) ? 0 : 7;
    case kITerm:
        message = msg::kITerm;
        return within(value, cTLV880a::ITermMin(), cTLV880a::ITermMax()) ? 0 : 8;
    default:
        message = msg::kDTerm;
        return within(value, cTLV880a::DTermMin(), cTLV880a::DTermMax()) ? 0 : 9;
    }
}
} // namespace

int cTLV880a::SendLoop(double rate, double pTerm, double iTerm, double dTerm, short out)
{
    const std::array<double, 4> terms{rate, pTerm, iTerm, dTerm};
    for (int term = kRateTerm; term <= kDTerm; ++term) {
        QString message;
        if (const int error = loopTermError(term, terms[term], message))
            return fail(error, message);
    }
    if (!checkOutput(out)) return 5;
    int result = 0;
    if (!bound(m_binding->Xdc770Loop2(rate, pTerm, iTerm, dTerm, out), result))
        return msg::kUnbound;
    if (result != 0) return fail(99, msg::kLoop + QString::number(out + 1));
    OutputSettings& o = m_outputs[out];
    o.rate = rate;
    o.pTerm = pTerm;
    o.iTerm = iTerm;
    o.dTerm = dTerm;
    if (o.pidMode == 3) {
        o.pidMode = 2;
        emit TLVOutputEvent(2, o.name + QStringLiteral(" set to PID mode."), out);
    }
    return 0;
}

int cTLV880a::applyLoopTerm(short out, int term, double value)
{
    if (!checkOutput(out)) return 5;
    OutputSettings& o = m_outputs[out];
    std::array<double, 4> terms{o.rate, o.pTerm, o.iTerm, o.dTerm};
    terms[term] = value;
    if (o.pidMode == 2) return SendLoop(terms[0], terms[1], terms[2], terms[3], out);
    // Manual power: kept for the next switch to PID mode, but never outside its limits, or
    // that switch would be refused.
    QString message;
    if (const int error = loopTermError(term, value, message)) return fail(error, message);
    o.rate = terms[0];
    o.pTerm = terms[1];
    o.iTerm = terms[2];
    o.dTerm = terms[3];
    return 0;
}

double cTLV880a::Rate(short out)
{
    return checkOutput(out) ? m_outputs[out].rate : 0.0;
}

int cTLV880a::setRate(short out, double value)
{
    return applyLoopTerm(out, kRateTerm, value);
}

double cTLV880a::PTerm(short out)
{
    return checkOutput(out) ? m_outputs[out].pTerm : 0.0;
}

int cTLV880a::setPTerm(short out, double value)
{
    return applyLoopTerm(out, kPTerm, value);
}

double cTLV880a::ITerm(short out)
{
    return checkOutput(out) ? m_outputs[out].iTerm : 0.0;
}

int cTLV880a::setITerm(short out, double value)
{
    return applyLoopTerm(out, kITerm, value);
}

double cTLV880a::DTerm(short out)
{
    return checkOutput(out) ? m_outputs[out].dTerm : 0.0;
}

int cTLV880a::setDTerm(short out, double value)
{
    return applyLoopTerm(out, kDTerm, value);
}

short cTLV880a::PIDMode(short out)
{
    return checkOutput(out) ? m_outputs[out].pidMode : 0;
}

int cTLV880a::setPIDMode(short out, short value)
{
    if (!checkOutput(out)) return 5;
    const OutputSettings& o = m_outputs[out];
    if (value != 0) return SendLoop(o.rate, o.pTerm, o.iTerm, o.dTerm, out);
    const double power = GetPower(out);
    return SendPower(out, power);
}

int cTLV880a::SendPower(short out, double power)
{
    if (!checkOutput(out)) return 5;
    OutputSettings& o = m_outputs[out];
    if (!within(power, 0.0, o.maxPower)) return fail(15, msg::kOutputPower);
    int result = 0;
    if (!bound(m_binding->Xdc770SetPower(out, power / 100.0), result)) return msg::kUnbound;
    if (result != 0) return fail(99, msg::kSendPower + QString::number(out + 1));
    if (o.pidMode == 2) {
        o.pidMode = 3;
        emit TLVOutputEvent(3,
                            o.name + QStringLiteral(" PID -> Manual Power ") +
                                tlv::instrument::formatPower(power) + QStringLiteral("% ."),
                            out);
    }
    return 0;
}

double cTLV880a::GetPower(short out)
{
    if (!checkOutput(out)) return 0.0;
    std::array<double, kOutputs> power{};
    int result = 0;
    if (!bound(m_binding->Xdc770GetPower(power.data()), result)) return 0.0;
    return power[out] * 100.0;
}

int cTLV880a::SendFullScale(short out, double fullScale, double maxPower, double slewRate)
{
    if (!checkOutput(out)) return 5;
    if (!within(fullScale, FSOutMin(), FSOutMax())) return fail(14, msg::kOutputVoltage);
    if (!within(maxPower, PowerMin(), PowerMax())) return fail(15, msg::kOutputPower);
    if (!within(slewRate, SlewRateMin(), SlewRateMax())) return fail(16, msg::kSlewRate);
    int result = 0;
    if (!bound(m_binding->Xdc770FullScale(out, fullScale, maxPower / 100.0, slewRate / 100.0),
               result))
        return msg::kUnbound;
    if (result != 0) return fail(99, msg::kFullScale + QString::number(out + 1));
    OutputSettings& o = m_outputs[out];
    o.fullScale = fullScale;
    o.maxPower = maxPower;
    o.slewRate = slewRate;
    return 0;
}

double cTLV880a::SlewRate(short out)
{
    return checkOutput(out) ? m_outputs[out].slewRate : 0.0;
}

int cTLV880a::setSlewRate(short out, double value)
{
    if (!checkOutput(out)) return 5;
    return SendFullScale(out, m_outputs[out].fullScale, m_outputs[out].maxPower, value);
}

double cTLV880a::MaxPower(short out)
{
    return checkOutput(out) ? m_outputs[out].maxPower : 0.0;
}

int cTLV880a::setMaxPower(short out, double value)
{
    if (!checkOutput(out)) return 5;
    return SendFullScale(out, m_outputs[out].fullScale, value, m_outputs[out].slewRate);
}

double cTLV880a::FSOut(short out)
{
    return checkOutput(out) ? m_outputs[out].fullScale : 0.0;
}

int cTLV880a::setFSOut(short out, double value)
{
    if (!checkOutput(out)) return 5;
    return SendFullScale(out, value, m_outputs[out].maxPower, m_outputs[out].slewRate);
}

int cTLV880a::SendMaterial(short sen, double density, double zFactor, double tooling)
{
    if (!checkSensor(sen)) return 10;
    if (!within(density, DensityMin(), DensityMax())) return fail(11, msg::kDensity);
    if (!within(zFactor, ZFactorMin(), ZFactorMax())) return fail(13, msg::kZFactor);
    if (!within(tooling, ToolingMin(), ToolingMax())) return fail(12, msg::kTooling);
    int result = 0;
    // The library takes a sensor bit mask and the tooling as a factor.
    if (!bound(m_binding->Xdc770Material(1 << sen, density, zFactor, tooling / 100.0), result))
        return msg::kUnbound;
    if (result != 0) return fail(99, msg::kMaterial + QString::number(sen + 1));
    SensorSettings& s = m_sensors[sen];
    s.density = density;
    s.zFactor = zFactor;
    s.tooling = tooling;
    return 0;
}

double cTLV880a::Tooling(short sen)
{
    return checkSensor(sen) ? m_sensors[sen].tooling : 0.0;
}

int cTLV880a::setTooling(short sen, double value)
{
    if (!checkSensor(sen)) return 10;
    return SendMaterial(sen, m_sensors[sen].density, m_sensors[sen].zFactor, value);
}

double cTLV880a::ZFactor(short sen)
{
    return checkSensor(sen) ? m_sensors[sen].zFactor : 0.0;
}

int cTLV880a::setZFactor(short sen, double value)
{
    if (!checkSensor(sen)) return 10;
    return SendMaterial(sen, m_sensors[sen].density, value, m_sensors[sen].tooling);
}

double cTLV880a::Density(short sen)
{
    return checkSensor(sen) ? m_sensors[sen].density : 0.0;
}

int cTLV880a::setDensity(short sen, double value)
{
    if (!checkSensor(sen)) return 10;
    return SendMaterial(sen, value, m_sensors[sen].zFactor, m_sensors[sen].tooling);
}

int cTLV880a::ZeroSensor(short sen)
{
    if (!checkSensor(sen)) return 10;
    int result = 0;
    if (!bound(m_binding->Xdc770ZeroSensor(sen), result)) return msg::kUnbound;
    if (result != 0) return fail(99, msg::kZeroThickness);
    return 0;
}

int cTLV880a::ZeroThickness(short out)
{
    if (!checkOutput(out)) return 5;
    int result = 0;
    if (!bound(m_binding->Xdc770Zero2(out), result)) return msg::kUnbound;
    if (result != 0) return fail(99, msg::kZeroThickness);
    // No reading taken before the zero may be shown after it.
    return ClearBuff();
}

int cTLV880a::ZeroAll()
{
    int result = 0;
    for (short out = 0; out < kOutputs; ++out) {
        if (!NumOutputValid(out)) continue;
        if (!bound(m_binding->Xdc770Zero2(out), result)) return msg::kUnbound;
    }
    if (result != 0) return fail(99, msg::kZeroAll);
    return ClearBuff();
}

QString cTLV880a::SensorName(short sen)
{
    return checkSensor(sen) ? m_sensors[sen].name : QString();
}

int cTLV880a::setSensorName(short sen, const QString& name)
{
    if (!checkSensor(sen)) return 10;
    m_sensors[sen].name = name;
    return 0;
}

QString cTLV880a::OutputName(short out)
{
    return checkOutput(out) ? m_outputs[out].name : QString();
}

int cTLV880a::setOutputName(short out, const QString& name)
{
    if (!checkOutput(out)) return 5;
    m_outputs[out].name = name;
    return 0;
}

bool cTLV880a::SensorDual(short sen)
{
    return checkSensor(sen) && m_sensors[sen].dual;
}

int cTLV880a::setSensorDual(short sen, bool dual)
{
    if (!checkSensor(sen)) return 10;
    // The two crystals of a dual head are always both dual or both single.
    m_sensors[sen].dual = dual;
    m_sensors[sen ^ 1].dual = dual;
    return 0;
}

// ---- Health settings: stored only, applied by the health rules of the poll ----

#define TLV_OUTPUT_SETTING(Type, Getter, Setter, field)                                            \
    Type cTLV880a::Getter(short out)                                                               \
    {                                                                                              \
        return checkOutput(out) ? m_outputs[out].field : Type{};                                   \
    }                                                                                              \
    int cTLV880a::Setter(short out, Type value)                                                    \
    {                                                                                              \
        if (!checkOutput(out)) return 5;                                                           \
        m_outputs[out].field = value;                                                              \
        return 0;                                                                                  \
    }

TLV_OUTPUT_SETTING(double, ControlError, setControlError, controlError)
TLV_OUTPUT_SETTING(int, ControlErrorLimit, setControlErrorLimit, controlErrorLimit)
TLV_OUTPUT_SETTING(int, SensorFailLimit, setSensorFailLimit, sensorFailLimit)
TLV_OUTPUT_SETTING(double, SensorQuality, setSensorQuality, sensorQuality)
TLV_OUTPUT_SETTING(int, SensorQualityLimit, setSensorQualityLimit, sensorQualityLimit)
TLV_OUTPUT_SETTING(int, SensorStabilityLimit, setSensorStabilityLimit, sensorStabilityLimit)
TLV_OUTPUT_SETTING(int, SensorStabilitySingle, setSensorStabilitySingle, sensorStabilitySingle)

#undef TLV_OUTPUT_SETTING
