#include "CofluxSetupFile.h"

#include "common/NumberFormat.h"
#include "common/cIniFile.h"

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

void ReadOutput(cIniFile& ini, int j, OutputRecord& out)
{
    const QString section = OutputSection(j);
    out.Name = ProcessTables::FixedWidth(
        ini.ReadIniStr(section, QStringLiteral("Name"), QStringLiteral("Output %1").arg(j + 1)),
        kOutputNameLength);
    out.Mode = ini.ReadIniInt(section, QStringLiteral("Mode"), 0);
    out.Thick = ini.ReadIniDouble(section, QStringLiteral("Thick"), 100);
    out.Input = ini.ReadIniLong(section, QStringLiteral("Input"), 0);
    out.Rate = ini.ReadIniDouble(section, QStringLiteral("Rate"), 10);
    out.PTerm = ini.ReadIniDouble(section, QStringLiteral("PTerm"), 10);
    out.ITerm = ini.ReadIniDouble(section, QStringLiteral("ITerm"), 1);
    out.DTerm = ini.ReadIniDouble(section, QStringLiteral("DTerm"), 0);
    out.FullScale = ini.ReadIniDouble(section, QStringLiteral("FullScale"), 100);
    out.MaxPwr = ini.ReadIniDouble(section, QStringLiteral("MaxPwr"), 100);
    out.SlewRate = ini.ReadIniDouble(section, QStringLiteral("SlewRate"), 100);
    out.XOut = ini.ReadIniInt(section, QStringLiteral("XOut"), -1);
    out.RecScale = ini.ReadIniInt(section, QStringLiteral("RecScale"), 0);
    // Values no form can produce would index past the tables: they take their defaults.
    if (out.Mode < ModeOff || out.Mode > ModeAuto) out.Mode = ModeOff;
    if (out.XOut < -1 || out.XOut >= kOutputSlots) out.XOut = -1;
    if (out.RecScale < 0 || out.RecScale > 7) out.RecScale = 0;
}

} // namespace

bool CofluxSetupFile::Exists() const
{
    return QFileInfo::exists(m_path);
}

QString CofluxSetupFile::Refusal() const
{
    cIniFile ini;
    ini.setIniFile(m_path);
    return ini.LoadError();
}

void CofluxSetupFile::Read(ProcessTables& tables, CardSettings& card) const
{
    cIniFile ini;
    ini.setIniFile(m_path);

    const QString cardSection = QStringLiteral("Card");
    ProgramFlags& flags = tables.Flags;
    flags.LogEnabled = ini.ReadIniInt(cardSection, QStringLiteral("LogEnabled"), 0);
    flags.LogFile =
        ini.ReadIniStr(cardSection, QStringLiteral("LogFile"), QStringLiteral("TLV880.LOG"));
    flags.XRate = ini.ReadIniInt(cardSection, QStringLiteral("XRate"), 0);
    flags.ShowErrors = ini.ReadIniInt(cardSection, QStringLiteral("ShowErrors"), 0) == 1;
    card.Simulate = ini.ReadIniInt(cardSection, QStringLiteral("Simulate"), 1);
    card.Filter = ini.ReadIniInt(cardSection, QStringLiteral("Filter"), 4);
    card.FMax = ini.ReadIniDouble(cardSection, QStringLiteral("FMax"), 6100000);
    card.FMin = ini.ReadIniDouble(cardSection, QStringLiteral("FMin"), 5000000);
    card.FInit = ini.ReadIniDouble(cardSection, QStringLiteral("FInit"), 6000000);
    card.Period = ini.ReadIniDouble(cardSection, QStringLiteral("Period"), 0.25);

    for (int s = 0; s < kConfiguredSensors; ++s) {
        const QString section = SensorSection(s);
        SensorRecord& sensor = tables.Sensor(s);
        sensor.Density = ini.ReadIniDouble(section, QStringLiteral("Density"), 10);
        sensor.ZFactor = ini.ReadIniDouble(section, QStringLiteral("ZFactor"), 1);
        sensor.Tooling = ini.ReadIniDouble(section, QStringLiteral("Tooling"), 100);
        sensor.Monitor = ReadMonitorFlag(ini, section);
        sensor.ThickSP = ini.ReadIniDouble(section, QStringLiteral("ThickSP"), 0);
    }

    for (int a = 0; a < kAnalogInputs; ++a) {
        const QString section = AnalogSection(a);
        AnalogRecord& in = tables.Analog(a);
        in.Gain = ini.ReadIniDouble(section, QStringLiteral("Gain"), 1);
        in.Offset = ini.ReadIniDouble(section, QStringLiteral("Offset"), 0);
        in.Units = ini.ReadIniStr(section, QStringLiteral("Units"), QStringLiteral("Volts"))
                       .left(kAnalogUnitsLength);
        in.Monitor = ReadMonitorFlag(ini, section);
        in.AnalogSP = ini.ReadIniDouble(section, QStringLiteral("AnalogSP"), 0);
    }

    for (int j : kShownOutputs)
        ReadOutput(ini, j, tables.Output(j));
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
    put(cardSection, "LogEnabled", Int(tables.Flags.LogEnabled));
    put(cardSection, "LogFile", tables.Flags.LogFile);
    put(cardSection, "Filter", Int(card.Filter));
    put(cardSection, "Period", tlv::Format(card.Period, QStringLiteral("#.00")));
    put(cardSection, "FMax", tlv::Format(card.FMax, QStringLiteral("0")));
    put(cardSection, "FMin", tlv::Format(card.FMin, QStringLiteral("0")));
    put(cardSection, "FInit", tlv::Format(card.FInit, QStringLiteral("0")));
    put(cardSection, "Simulate", Int(card.Simulate));

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
