#include "MonitorSetupFile.h"

#include "common/NumberFormat.h"
#include "common/cIniFile.h"

#include <cmath>

namespace monitor {

namespace {

const QString kSection = QStringLiteral("Setup");

int IntInRange(cIniFile& ini, const QString& key, int fallback, int low, int high)
{
    const int value = ini.ReadIniInt(kSection, key, static_cast<short>(fallback));
    return value >= low && value <= high ? value : fallback;
}

// The float the INI reader returns, taken as the decimal the file holds (0.3, not
// 0.30000001192...), so a period read and written again stays the same text.
double FromSingle(float value)
{
    return QString::number(static_cast<double>(value), 'g', 7).toDouble();
}

void ReadFrequencies(cIniFile& ini, MonitorSettings& s, const SetupLimits& limits)
{
    const QString fallback = QStringLiteral("6.000,4.000,5.000,1");
    double hz[3] = {};
    for (int field = 1; field <= 3; ++field) {
        double mhz = 0.0;
        if (!ParseNumber(ini.ReadIniStr(kSection, QStringLiteral("Freq"), fallback,
                                        static_cast<short>(field)),
                         mhz))
            return; // keep the default window
        hz[field - 1] = std::round(mhz * 1000000.0);
    }
    const double max = hz[0], min = hz[1], init = hz[2];
    // The instrument refuses any other window; keeping the defaults keeps program and
    // instrument in agreement.
    if (!(limits.freqMin <= min && min <= init && init <= max && max <= limits.freqMax)) return;
    s.maxFreq = max;
    s.minFreq = min;
    s.initFreq = init;
}

QString MaterialText(const QString& field, double low, double high, const QString& pattern,
                     const char* fallback)
{
    double value = 0.0;
    if (!ParseNumber(field, value) || value < low || value > high)
        return QString::fromLatin1(fallback);
    return tlv::Format(value, pattern);
}

// The material's name of sensor n: a key of its own ("Material1"), which older files lack and
// older programs ignore.
QString MaterialKey(int n)
{
    return QStringLiteral("Material") + QString::number(n);
}

void ReadMaterials(cIniFile& ini, MonitorSettings& s, const SetupLimits& limits)
{
    const QString fallback = QStringLiteral("10,100,1");
    for (int n = 1; n <= kMaxSensors; ++n) {
        const QString key = QStringLiteral("Sensor") + QString::number(n);
        const int i = n - 1;
        s.densityText[i] =
            MaterialText(ini.ReadIniStr(kSection, key, fallback, 1), limits.densityMin,
                         limits.densityMax, QStringLiteral("#0.00"), kDefaultDensityText);
        s.toolingText[i] =
            MaterialText(ini.ReadIniStr(kSection, key, fallback, 2), limits.toolingMin,
                         limits.toolingMax, QStringLiteral("#0.0"), kDefaultToolingText);
        s.zFactorText[i] =
            MaterialText(ini.ReadIniStr(kSection, key, fallback, 3), limits.zFactorMin,
                         limits.zFactorMax, QStringLiteral("#0.000"), kDefaultZFactorText);
        s.materialName[i] = ini.ReadIniStr(kSection, MaterialKey(n), QString()).trimmed();
    }
}

} // namespace

void ReadSetupFile(const QString& path, MonitorSettings& s, const SetupLimits& limits)
{
    cIniFile ini;
    ini.setIniFile(path); // stays empty for a missing file: every key gives its default

    const MonitorSettings defaults;
    s.sensorsShown =
        IntInRange(ini, QStringLiteral("Sensors"), defaults.sensorsShown, 1, kMaxSensors);
    s.display = static_cast<DisplayMode>(IntInRange(ini, QStringLiteral("Display"), 0, 0, 1));
    s.onTop = static_cast<short>(IntInRange(ini, QStringLiteral("OnTop"), 0, 0, 1));
    s.filter = IntInRange(ini, QStringLiteral("Filter"), defaults.filter, 1, 10);
    s.logEnabled =
        ini.ReadIniBool(kSection, QStringLiteral("LogEnabled"), QStringLiteral("0")) ? 1 : 0;
    s.logFile = ini.ReadIniStr(kSection, QStringLiteral("LogFile"), defaults.logFile, 0).trimmed();
    if (s.logFile.isEmpty()) s.logFile = defaults.logFile;

    const double period = FromSingle(ini.ReadIniSingle(kSection, QStringLiteral("Period"), 0.25f));
    s.period = period >= limits.periodMin && period <= limits.periodMax ? period : defaults.period;
    s.maxFreq = defaults.maxFreq;
    s.minFreq = defaults.minFreq;
    s.initFreq = defaults.initFreq;
    ReadFrequencies(ini, s, limits);
    ReadMaterials(ini, s, limits);
}

bool WriteSetupFile(const QString& path, const MonitorSettings& s)
{
    cIniFile ini;
    ini.setIniFile(path);
    if (ini.IniFile().isEmpty()) return false;

    bool ok = true;
    auto write = [&](const QString& key, const QString& value) {
        ok = ini.WriteIniStr(kSection, key, value) != 0 && ok;
    };
    const QString mhz = QStringLiteral("0.0000");
    write(QStringLiteral("OnTop"), QString::number(s.onTop));
    write(QStringLiteral("Display"), QString::number(static_cast<int>(s.display)));
    write(QStringLiteral("Filter"), QString::number(s.filter));
    write(QStringLiteral("Sensors"), QString::number(s.sensorsShown));
    write(QStringLiteral("LogEnabled"), QString::number(s.logEnabled));
    write(QStringLiteral("LogFile"), s.logFile);
    write(QStringLiteral("Freq"), tlv::Format(s.maxFreq / 1000000.0, mhz) + QLatin1Char(',') +
                                      tlv::Format(s.minFreq / 1000000.0, mhz) + QLatin1Char(',') +
                                      tlv::Format(s.initFreq / 1000000.0, mhz));
    write(QStringLiteral("Period"), QString::number(s.period));
    for (int i = 0; i < s.sensorsShown && i < kMaxSensors; ++i)
        write(QStringLiteral("Sensor") + QString::number(i + 1),
              s.densityText[i] + QLatin1Char(',') + s.toolingText[i] + QLatin1Char(',') +
                  s.zFactorText[i]);
    // Names only where the file reads otherwise, so a file that never named one stays as it is.
    for (int i = 0; i < s.sensorsShown && i < kMaxSensors; ++i)
        if (ini.ReadIniStr(kSection, MaterialKey(i + 1), QString()).trimmed() != s.materialName[i])
            write(MaterialKey(i + 1), s.materialName[i]);
    return ok;
}

} // namespace monitor
