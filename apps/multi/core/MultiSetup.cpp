#include "MultiSetup.h"

#include "EntryNumber.h"

#include "common/cIniFile.h"

#include "instrument/cTLV880a.h"

#include <QStringList>
#include <cmath>
#include <cstdlib>

namespace multi {

namespace {

const QString kCard = QStringLiteral("Card");
const QString kSensor = QStringLiteral("Sensor");
const QString kOutput = QStringLiteral("Output");
const QString kLoop = QStringLiteral("Loop");

// Reads the comma-separated elements 1..N of one key. A key that is missing gives the default's
// elements. A value with fewer elements than asked for gives the default's element for each one
// it lacks: repeating its last element instead would, for example, turn a tooling of 100 into an
// output number.
QStringList ReadElements(cIniFile& ini, const QString& section, const QString& key,
                         const QString& defaultValue, int count)
{
    const QStringList defaults = defaultValue.split(QLatin1Char(','));
    const int present =
        ini.ReadIniStr(section, key, defaultValue, 0).split(QLatin1Char(',')).size();
    QStringList elements;
    for (int field = 1; field <= count; ++field) {
        if (field <= present)
            elements << ini.ReadIniStr(section, key, defaultValue, static_cast<short>(field));
        else
            elements << defaults.value(field - 1);
    }
    return elements;
}

// The file holds the output number plus one (0 = none); text that is no number counts as none.
int OutputFromElement(const QString& element)
{
    bool ok = false;
    const double number = element.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(number) || std::fabs(number) > 1e6) return -1;
    return static_cast<int>(std::nearbyint(number)) - 1;
}

// Limits of one stored field: the instrument's for the value it is sent as.
struct FieldLimits {
    const char* label;
    double low;
    double high;
};

constexpr FieldLimits kSensorLimits[3] = {
    {"Density", cTLV880a::DensityMin(), cTLV880a::DensityMax()},
    {"ZFactor", cTLV880a::ZFactorMin(), cTLV880a::ZFactorMax()},
    {"Tooling", cTLV880a::ToolingMin(), cTLV880a::ToolingMax()}};
constexpr FieldLimits kFullScaleLimits[3] = {
    {"Volts", cTLV880a::FSOutMin(), cTLV880a::FSOutMax()},
    {"MaxPwr", cTLV880a::PowerMin(), cTLV880a::PowerMax()},
    {"Slew", cTLV880a::SlewRateMin(), cTLV880a::SlewRateMax()}};
constexpr FieldLimits kLoopLimits[4] = {{"Rate", cTLV880a::RateMin(), cTLV880a::RateMax()},
                                        {"P", cTLV880a::PTermMin(), cTLV880a::PTermMax()},
                                        {"I", cTLV880a::ITermMin(), cTLV880a::ITermMax()},
                                        {"D", cTLV880a::DTermMin(), cTLV880a::DTermMax()}};

// Replaces `text` by `fallback` when it is a number outside the field's limits, and says so.
void KeepWithinLimits(QString& text, const QString& fallback, const QString& owner,
                      const FieldLimits& limits, QStringList* replaced)
{
    double value = 0;
    if (!ParseNumber(text, value)) {
        // A number too large for a double is as far outside as a number can be.
        const QByteArray digits = text.trimmed().toLatin1();
        char* end = nullptr;
        const double parsed = std::strtod(digits.constData(), &end);
        if (digits.isEmpty() || end != digits.constData() + digits.size() || !std::isinf(parsed))
            return;
    } else if (value >= limits.low && value <= limits.high) {
        return;
    }
    if (replaced)
        *replaced << QStringLiteral("%1 %2 %3 (limits %4 to %5): %6 is used")
                         .arg(owner, QLatin1String(limits.label), text.trimmed().left(24),
                              QString::number(limits.low), QString::number(limits.high), fallback);
    text = fallback;
}

} // namespace

QString SensorKeyValue(const SensorRow& row)
{
    return QStringLiteral("%1,%2,%3,%4")
        .arg(row.density, row.zFactor, row.tooling, QString::number(row.output + 1));
}

QString OutputKeyValue(const OutputRow& row)
{
    return row.fullScale[0] + QLatin1Char(',') + row.fullScale[1] + QLatin1Char(',') +
           row.fullScale[2];
}

QString LoopKeyValue(const OutputRow& row)
{
    return row.loop[0] + QLatin1Char(',') + row.loop[1] + QLatin1Char(',') + row.loop[2] +
           QLatin1Char(',') + row.loop[3];
}

MultiSetup ReadMultiSetup(const QString& path, QStringList* replaced)
{
    MultiSetup setup;
    cIniFile ini;
    ini.setIniFile(path);
    if (ini.IniFile().isEmpty()) return setup; // no file yet: every default, created at exit

    CardSettings& card = setup.card;
    card.simulate = ini.ReadIniInt(kCard, QStringLiteral("Simulate"), 1);
    card.period = ini.ReadIniStr(kCard, QStringLiteral("Period"), card.period, 0);
    card.fMax = ini.ReadIniStr(kCard, QStringLiteral("FMax"), card.fMax, 0);
    card.fMin = ini.ReadIniStr(kCard, QStringLiteral("FMin"), card.fMin, 0);
    card.fInit = ini.ReadIniStr(kCard, QStringLiteral("FInit"), card.fInit, 0);
    card.filter = ini.ReadIniStr(kCard, QStringLiteral("Filter"), card.filter, 0);
    card.showErrors = ini.ReadIniInt(kCard, QStringLiteral("ShowErrors"), 0);

    for (int s = 0; s < kSensorCount; ++s) {
        const QStringList e = ReadElements(ini, kSensor, kSensor + QString::number(s + 1),
                                           QStringLiteral("1,1,100,0"), 4);
        SensorRow& row = setup.sensors[s];
        row.density = e[0];
        row.zFactor = e[1];
        row.tooling = e[2];
        row.output = OutputFromElement(e[3]);
        const SensorRow defaults;
        const QString owner = QStringLiteral("Sensor %1").arg(s + 1);
        KeepWithinLimits(row.density, defaults.density, owner, kSensorLimits[0], replaced);
        KeepWithinLimits(row.zFactor, defaults.zFactor, owner, kSensorLimits[1], replaced);
        KeepWithinLimits(row.tooling, defaults.tooling, owner, kSensorLimits[2], replaced);
    }
    for (int o = 0; o < kOutputRows; ++o) {
        OutputRow& row = setup.outputs[o];
        const QStringList scale = ReadElements(ini, kOutput, kOutput + QString::number(o + 1),
                                               QStringLiteral("10,100,100"), 3);
        for (int i = 0; i < 3; ++i)
            row.fullScale[i] = scale[i];
        const QStringList loop = ReadElements(ini, kLoop, kLoop + QString::number(o + 1),
                                              QStringLiteral("10,50,1,0"), 4);
        for (int i = 0; i < 4; ++i)
            row.loop[i] = loop[i];
        const OutputRow defaults;
        const QString owner = QStringLiteral("Output %1").arg(o + 1);
        for (int i = 0; i < 3; ++i)
            KeepWithinLimits(row.fullScale[i], defaults.fullScale[i], owner, kFullScaleLimits[i],
                             replaced);
        for (int i = 0; i < 4; ++i)
            KeepWithinLimits(row.loop[i], defaults.loop[i], owner, kLoopLimits[i], replaced);
    }
    return setup;
}

bool WriteMultiSetup(const QString& path, const MultiSetup& setup)
{
    cIniFile ini;
    ini.setIniFile(path);
    if (ini.IniFile().isEmpty()) return false;

    bool written = true;
    auto write = [&](const QString& section, const QString& key, const QString& value) {
        written = ini.WriteIniStr(section, key, value) != 0 && written;
    };
    const CardSettings& card = setup.card;
    write(kCard, QStringLiteral("Simulate"), QString::number(card.simulate));
    write(kCard, QStringLiteral("Period"), card.period);
    write(kCard, QStringLiteral("FMax"), card.fMax);
    write(kCard, QStringLiteral("FMin"), card.fMin);
    write(kCard, QStringLiteral("FInit"), card.fInit);
    write(kCard, QStringLiteral("Filter"), card.filter);
    for (int s = 0; s < kSensorCount; ++s)
        write(kSensor, kSensor + QString::number(s + 1), SensorKeyValue(setup.sensors[s]));
    for (int o = 0; o < kOutputRows; ++o)
        write(kOutput, kOutput + QString::number(o + 1), OutputKeyValue(setup.outputs[o]));
    for (int o = 0; o < kOutputRows; ++o)
        write(kLoop, kLoop + QString::number(o + 1), LoopKeyValue(setup.outputs[o]));
    return written;
}

} // namespace multi
