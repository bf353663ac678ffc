#include "CofluxSetupFile.h"

#include "common/NumberFormat.h"
#include "common/SetupFile.h"
#include "common/alarms/RateToleranceSetting.h"
#include "common/cIniFile.h"

#include "instrument/cTLV880a.h"

#include <QFile>
#include <QFileInfo>

namespace coflux {

namespace {

QString SensorSection(int s)
{
    return QStringLiteral("SENSOR%1").arg(s + 1);
}

QString AnalogSection(int a)
{
    return QStringLiteral("ANALOG%1").arg(a + 1);
}

QString OutputSection(int j)
{
    return QStringLiteral("OUTPUT%1").arg(j + 1);
}

const QString kMaterialKey = QStringLiteral("Material");

QString Int(int v)
{
    return QString::number(v);
}

// A monitor flag: the usual true words, or any non-zero number. Older setup files store a set
// flag as -1, which must not read as clear.
short ReadMonitorFlag(cIniFile& ini, const QString& section)
{
    const QString key = QStringLiteral("Monitor");
    if (ini.ReadIniBool(section, key, QStringLiteral("0"))) return 1;
    return tlv::Val(ini.ReadIniStr(section, key, QStringLiteral("0"))) != 0 ? 1 : 0;
}

// Reads the numbers of one setup file, holding each to the limits its editor and the instrument
// accept. A value outside them takes the field's default and is described in `replaced`, e.g.
// "[SENSOR1] Density=1e300 (limits 0.4 to 99.99): 10 is used": a file edited by hand, or written
// by a program that did not check, is told once at loading instead of being refused at every
// send, and the next save writes the default.
class LimitedReader {
public:
    LimitedReader(cIniFile& ini, QStringList* replaced) : m_ini(ini), m_replaced(replaced) {}

    double Double(const QString& section, const char* key, double fallback, double low, double high,
                  const QString& owner = QString())
    {
        const QString name = QString::fromLatin1(key);
        const double value = m_ini.ReadIniDouble(section, name, fallback);
        if (value >= low && value <= high) return value;
        Replace(section, name, owner, low, high, Shown(fallback));
        return fallback;
    }

    short Int(const QString& section, const char* key, short fallback, int low, int high)
    {
        const QString name = QString::fromLatin1(key);
        const short value = m_ini.ReadIniInt(section, name, fallback);
        if (value >= low && value <= high) return value;
        Replace(section, name, QString(), low, high, Shown(fallback));
        return fallback;
    }

private:
    void Replace(const QString& section, const QString& key, const QString& owner, double low,
                 double high, const QString& fallback)
    {
        if (!m_replaced) return;
        // The value as the file holds it (a number too large to read reads as 0).
        const QString stored = m_ini.ReadIniStr(section, key, QString()).trimmed();
        const QString of = owner.isEmpty() ? QString() : QStringLiteral(" of ") + owner;
        *m_replaced << QStringLiteral("[%1] %2=%3%4 (limits %5 to %6): %7 is used")
                           .arg(section, key, Shortened(stored), of, Shown(low), Shown(high),
                                fallback);
    }

    // Limits and defaults in plain digits (frequencies as 5000000, not 5e+06).
    static QString Shown(double v) { return QString::number(v, 'g', 15); }

    // A stored value of hundreds of digits is named by its start.
    static QString Shortened(const QString& text)
    {
        constexpr int kShown = 24;
        return text.size() > kShown ? text.left(kShown) + QStringLiteral("...") : text;
    }

    cIniFile& m_ini;
    QStringList* m_replaced;
};

// Analog gain and offset are taken as typed, but beyond this magnitude a double no longer holds
// the two decimals the file keeps, so a larger value would not read back as it was written.
constexpr double kScalingMagnitude = 1e15;
// The card setup form's filter lengths and the input editor's analog setpoints (volts).
constexpr int kFilterSizeMin = 1;
constexpr int kFilterSizeMax = 10;
constexpr double kAnalogSetpointVolts = 10;

void ReadOutput(cIniFile& ini, LimitedReader& limited, int j, OutputRecord& out)
{
    const QString section = OutputSection(j);
    const OutputRecord fresh;
    out.Name = ProcessTables::FixedWidth(
        ini.ReadIniStr(section, QStringLiteral("Name"), QStringLiteral("Output %1").arg(j + 1)),
        kOutputNameLength);
    const QString owner = out.Name.trimmed();
    // Values no form can produce would index past the tables: they take their defaults.
    out.Mode = limited.Int(section, "Mode", fresh.Mode, ModeOff, ModeAuto);
    out.Thick = limited.Double(section, "Thick", fresh.Thick, cTLV880a::ThickMin(),
                               cTLV880a::ThickMax(), owner);
    out.Input = ini.ReadIniLong(section, QStringLiteral("Input"), fresh.Input);
    // An output fed by an analog input keeps its setpoint in volts.
    const int analog = InputAnalog(out.Input);
    const bool volts = analog >= 0 && analog < kAnalogInputs;
    out.Rate = limited.Double(section, "Rate", fresh.Rate, volts ? -10 : cTLV880a::RateMin(),
                              volts ? 10 : cTLV880a::RateMax(), owner);
    out.PTerm = limited.Double(section, "PTerm", fresh.PTerm, cTLV880a::PTermMin(),
                               cTLV880a::PTermMax(), owner);
    out.ITerm = limited.Double(section, "ITerm", fresh.ITerm, cTLV880a::ITermMin(),
                               cTLV880a::ITermMax(), owner);
    out.DTerm = limited.Double(section, "DTerm", fresh.DTerm, cTLV880a::DTermMin(),
                               cTLV880a::DTermMax(), owner);
    out.FullScale = limited.Double(section, "FullScale", fresh.FullScale, cTLV880a::FSOutMin(),
                                   cTLV880a::FSOutMax(), owner);
    out.MaxPwr = limited.Double(section, "MaxPwr", fresh.MaxPwr, cTLV880a::PowerMin(),
                                cTLV880a::PowerMax(), owner);
    out.SlewRate = limited.Double(section, "SlewRate", fresh.SlewRate, cTLV880a::SlewRateMin(),
                                  cTLV880a::SlewRateMax(), owner);
    out.XOut = limited.Int(section, "XOut", fresh.XOut, -1, kOutputSlots - 1);
    out.RecScale = limited.Int(section, "RecScale", fresh.RecScale, 0, 7);
    // The backup sensor is stored by its number (1..8, 0 none); a file without the key has none.
    out.Backup = static_cast<short>(limited.Int(section, "Backup", 0, 0, kConfiguredSensors) - 1);
    out.BackupTooling = limited.Double(section, "BackupTooling", fresh.BackupTooling,
                                       cTLV880a::ToolingMin(), cTLV880a::ToolingMax(), owner);
}

} // namespace

bool CofluxSetupFile::Exists() const
{
    return QFileInfo::exists(m_path);
}

QString CofluxSetupFile::Refusal() const
{
    // Any one of coflux's own sections makes the file coflux's; a file whose sections are all
    // another program's (tlvmonitor's "Setup") would otherwise reset every output to defaults.
    QStringList own{QStringLiteral("Card")};
    for (int s = 0; s < kConfiguredSensors; ++s)
        own << SensorSection(s);
    for (int a = 0; a < kAnalogInputs; ++a)
        own << AnalogSection(a);
    for (int j : kShownOutputs)
        own << OutputSection(j);
    return tlv::SetupFileRefusal(m_path, own, QStringLiteral("coflux setup"));
}

void CofluxSetupFile::Read(ProcessTables& tables, CardSettings& card, QStringList* replaced) const
{
    cIniFile ini;
    ini.setIniFile(m_path);
    LimitedReader limited(ini, replaced);

    const QString cardSection = QStringLiteral("Card");
    const CardSettings fresh;
    ProgramFlags& flags = tables.Flags;
    flags.LogEnabled = ini.ReadIniInt(cardSection, QStringLiteral("LogEnabled"), 0);
    flags.LogFile =
        ini.ReadIniStr(cardSection, QStringLiteral("LogFile"), QStringLiteral("TLV880.LOG"));
    flags.XRate = ini.ReadIniInt(cardSection, QStringLiteral("XRate"), 0);
    flags.ShowErrors = ini.ReadIniInt(cardSection, QStringLiteral("ShowErrors"), 0) == 1;
    card.Simulate = ini.ReadIniInt(cardSection, QStringLiteral("Simulate"), 1);
    card.Filter = limited.Int(cardSection, "Filter", static_cast<short>(fresh.Filter),
                              kFilterSizeMin, kFilterSizeMax);
    // Each frequency on its own must lie in the crystal window; their order (minimum below
    // initial below maximum) is the card's to check when the settings are sent.
    card.FMax =
        limited.Double(cardSection, "FMax", fresh.FMax, cTLV880a::XFreqMin(), cTLV880a::XFreqMax());
    card.FMin =
        limited.Double(cardSection, "FMin", fresh.FMin, cTLV880a::XFreqMin(), cTLV880a::XFreqMax());
    card.FInit = limited.Double(cardSection, "FInit", fresh.FInit, cTLV880a::XFreqMin(),
                                cTLV880a::XFreqMax());
    card.Period = limited.Double(cardSection, "Period", fresh.Period, cTLV880a::PeriodMin(),
                                 cTLV880a::PeriodMax());
    flags.RateTolerance = tlv::ReadRateTolerance(ini, cardSection, replaced);

    const SensorRecord freshSensor;
    for (int s = 0; s < kConfiguredSensors; ++s) {
        const QString section = SensorSection(s);
        SensorRecord& sensor = tables.Sensor(s);
        sensor.Density = limited.Double(section, "Density", freshSensor.Density,
                                        cTLV880a::DensityMin(), cTLV880a::DensityMax());
        sensor.ZFactor = limited.Double(section, "ZFactor", freshSensor.ZFactor,
                                        cTLV880a::ZFactorMin(), cTLV880a::ZFactorMax());
        sensor.Tooling = limited.Double(section, "Tooling", freshSensor.Tooling,
                                        cTLV880a::ToolingMin(), cTLV880a::ToolingMax());
        sensor.Monitor = ReadMonitorFlag(ini, section);
        sensor.ThickSP = limited.Double(section, "ThickSP", freshSensor.ThickSP,
                                        cTLV880a::ThickMin(), cTLV880a::ThickMax());
        sensor.Material = ini.ReadIniStr(section, kMaterialKey, QString()).trimmed();
    }

    const AnalogRecord freshAnalog;
    for (int a = 0; a < kAnalogInputs; ++a) {
        const QString section = AnalogSection(a);
        AnalogRecord& in = tables.Analog(a);
        in.Gain = limited.Double(section, "Gain", freshAnalog.Gain, -kScalingMagnitude,
                                 kScalingMagnitude);
        in.Offset = limited.Double(section, "Offset", freshAnalog.Offset, -kScalingMagnitude,
                                   kScalingMagnitude);
        in.Units = ini.ReadIniStr(section, QStringLiteral("Units"), QStringLiteral("Volts"))
                       .left(kAnalogUnitsLength);
        in.Monitor = ReadMonitorFlag(ini, section);
        in.AnalogSP = limited.Double(section, "AnalogSP", freshAnalog.AnalogSP,
                                     -kAnalogSetpointVolts, kAnalogSetpointVolts);
    }

    for (int j : kShownOutputs)
        ReadOutput(ini, limited, j, tables.Output(j));
}

CofluxSetupFile::WriteStatus CofluxSetupFile::Write(const ProcessTables& tables,
                                                    const CardSettings& card, QString* cause) const
{
    if (!Exists()) {
        QFile create(m_path);
        if (!create.open(QIODevice::WriteOnly)) {
            if (cause) *cause = create.errorString();
            return WriteStatus::CannotCreate;
        }
    }
    // The file's own write permission decides, not the user's privileges: a setup file marked
    // read-only is never replaced, even by an administrator.
    if (!(QFileInfo(m_path).permissions() & QFileDevice::WriteOwner)) return WriteStatus::ReadOnly;

    cIniFile ini;
    ini.setIniFile(m_path);
    bool written = true;
    auto put = [&](const QString& section, const char* key, const QString& value) {
        if (ini.WriteIniStr(section, QString::fromLatin1(key), value) == 0) written = false;
    };

    const QString cardSection = QStringLiteral("Card");
    // The two flags of the Options menu: written only when the file reads otherwise (decided
    // before anything is written).
    const bool writeCrossRate =
        ini.ReadIniInt(cardSection, QStringLiteral("XRate"), 0) != tables.Flags.XRate;
    const bool writeShowErrors = (ini.ReadIniInt(cardSection, QStringLiteral("ShowErrors"), 0) ==
                                  1) != tables.Flags.ShowErrors;
    put(cardSection, "LogEnabled", Int(tables.Flags.LogEnabled));
    put(cardSection, "LogFile", tables.Flags.LogFile);
    put(cardSection, "Filter", Int(card.Filter));
    put(cardSection, "Period", tlv::Format(card.Period, QStringLiteral("#.00")));
    put(cardSection, "FMax", tlv::Format(card.FMax, QStringLiteral("0")));
    put(cardSection, "FMin", tlv::Format(card.FMin, QStringLiteral("0")));
    put(cardSection, "FInit", tlv::Format(card.FInit, QStringLiteral("0")));
    put(cardSection, "Simulate", Int(card.Simulate));
    if (writeCrossRate) put(cardSection, "XRate", Int(tables.Flags.XRate));
    if (writeShowErrors) put(cardSection, "ShowErrors", Int(tables.Flags.ShowErrors ? 1 : 0));
    // The rate tolerance: only a tolerance the file does not already hold is written, so a file
    // from before the setting keeps its bytes.
    if (!tlv::WriteRateTolerance(ini, cardSection, tables.Flags.RateTolerance)) written = false;

    for (int j : kShownOutputs) {
        const QString section = OutputSection(j);
        const OutputRecord& out = tables.Output(j);
        put(section, "Mode", Int(out.Mode));
        put(section, "Name", out.Name.trimmed());
        put(section, "Input", Int(out.Input));
        put(section, "Thick", tlv::Format(out.Thick, QStringLiteral("#0.000")));
        put(section, "Rate", tlv::Format(out.Rate, QStringLiteral("#0.00")));
        put(section, "PTerm", tlv::Format(out.PTerm, QStringLiteral("#0.0")));
        put(section, "ITerm", tlv::Format(out.ITerm, QStringLiteral("#0.0")));
        put(section, "DTerm", tlv::Format(out.DTerm, QStringLiteral("#0.0")));
        put(section, "FullScale", tlv::Format(out.FullScale, QStringLiteral("#0.0")));
        put(section, "MaxPwr", tlv::Format(out.MaxPwr, QStringLiteral("#0.0")));
        put(section, "SlewRate", tlv::Format(out.SlewRate, QStringLiteral("#0.0")));
        put(section, "RecScale", Int(out.RecScale));
        put(section, "XOut", Int(out.XOut));
        // The backup keys are written only for an output with a backup, or where the file has
        // them already: a setup without backups keeps its bytes.
        const bool hadBackup =
            !ini.ReadIniStr(section, QStringLiteral("Backup"), QString()).isEmpty();
        if (out.Backup >= 0 || hadBackup) {
            put(section, "Backup", Int(out.Backup + 1));
            put(section, "BackupTooling", tlv::Format(out.BackupTooling, QStringLiteral("#0.00")));
        }
    }

    // Monitor flags are written as 1 or 0 so that they read back as set or clear.
    for (int s = 0; s < kConfiguredSensors; ++s) {
        const QString section = SensorSection(s);
        const SensorRecord& sensor = tables.Sensor(s);
        put(section, "Density", tlv::Format(sensor.Density, QStringLiteral("#0.00")));
        put(section, "Zfactor", tlv::Format(sensor.ZFactor, QStringLiteral("#0.000")));
        put(section, "Tooling", tlv::Format(sensor.Tooling, QStringLiteral("#0.00")));
        put(section, "Monitor", Int(sensor.Monitor != 0 ? 1 : 0));
        put(section, "ThickSP", tlv::Format(sensor.ThickSP, QStringLiteral("#0.00")));
        // The material's name is a key of its own that older files do not have: it is written
        // only where it would read otherwise, so a file without it stays as it was.
        if (ini.ReadIniStr(section, kMaterialKey, QString()).trimmed() != sensor.Material)
            put(section, "Material", sensor.Material);
    }

    for (int a = 0; a < kAnalogInputs; ++a) {
        const QString section = AnalogSection(a);
        const AnalogRecord& in = tables.Analog(a);
        put(section, "Gain", tlv::Format(in.Gain, QStringLiteral("#0.00")));
        put(section, "Offset", tlv::Format(in.Offset, QStringLiteral("#0.00")));
        put(section, "Units", in.Units.trimmed());
        put(section, "Monitor", Int(in.Monitor != 0 ? 1 : 0));
        put(section, "AnalogSP", tlv::Format(in.AnalogSP, QStringLiteral("#0.00")));
    }
    return written ? WriteStatus::Written : WriteStatus::Incomplete;
}

} // namespace coflux
