// The setup file: IniRead loads the tables and configures the card, IniWrite stores them.
// Setup files live in the program's folder and are named by their file name alone.

#include "frmMain.h"

#include "CofluxProgram.h"

#include "common/NumberFormat.h"
#include "common/ProgramInfo.h"
#include "common/cIniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>

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

} // namespace

void frmMain::IniRead(const QString& file)
{
    if (file.isEmpty()) return;
    const QString path = tlv::ProgramFile(file);
    cIniFile ini;
    ini.setIniFile(path);
    if (!QFileInfo::exists(path))
        ShowMessage(this, path + QStringLiteral(" Not Found.\r\nContinuing with defaults."),
                    QMessageBox::Information);
    SetSetupFileName(file);

    // Card settings and program flags.
    const QString card = QStringLiteral("Card");
    ProgramFlags& flags = m_tables.Flags;
    flags.LogEnabled = ini.ReadIniInt(card, QStringLiteral("LogEnabled"), 0);
    flags.LogFile = ini.ReadIniStr(card, QStringLiteral("LogFile"), QStringLiteral("TLV880.LOG"));
    flags.XRate = ini.ReadIniInt(card, QStringLiteral("XRate"), 0);
    flags.ShowErrors = ini.ReadIniInt(card, QStringLiteral("ShowErrors"), 0) == 1;
    if (m_tlv->NumCards() > 0)
        m_tlv->setOpMode(ini.ReadIniInt(card, QStringLiteral("Simulate"), 1));
    else
        m_tlv->setOpMode(1);
    m_tlv->setFilterSize(ini.ReadIniInt(card, QStringLiteral("Filter"), 4));
    const double fmax = ini.ReadIniDouble(card, QStringLiteral("FMax"), 6100000);
    const double fmin = ini.ReadIniDouble(card, QStringLiteral("FMin"), 5000000);
    const double finit = ini.ReadIniDouble(card, QStringLiteral("FInit"), 6000000);
    const double period = ini.ReadIniDouble(card, QStringLiteral("Period"), 0.25);
    m_tlv->SendInit(fmax, fmin, finit, period);

    for (int s = 0; s < kConfiguredSensors; ++s) {
        const QString section = SensorSection(s);
        SensorRecord& sensor = m_tables.Sensor(s);
        sensor.Density = ini.ReadIniDouble(section, QStringLiteral("Density"), 10);
        sensor.ZFactor = ini.ReadIniDouble(section, QStringLiteral("ZFactor"), 1);
        sensor.Tooling = ini.ReadIniDouble(section, QStringLiteral("Tooling"), 100);
        sensor.Monitor = ReadMonitorFlag(ini, section);
        sensor.ThickSP = ini.ReadIniDouble(section, QStringLiteral("ThickSP"), 0);
        const auto sen = static_cast<short>(s);
        if (m_tlv->NumCards() == 0 || m_tlv->NumSensorValid(sen))
            m_tlv->SendMaterial(sen, sensor.Density, sensor.ZFactor, sensor.Tooling);
    }

    for (int a = 0; a < kAnalogInputs; ++a) {
        const QString section = AnalogSection(a);
        AnalogRecord& in = m_tables.Analog(a);
        in.Gain = ini.ReadIniDouble(section, QStringLiteral("Gain"), 1);
        in.Offset = ini.ReadIniDouble(section, QStringLiteral("Offset"), 0);
        in.Units = ini.ReadIniStr(section, QStringLiteral("Units"), QStringLiteral("Volts"))
                       .left(kAnalogUnitsLength);
        in.Monitor = ReadMonitorFlag(ini, section);
        in.AnalogSP = ini.ReadIniDouble(section, QStringLiteral("AnalogSP"), 0);
    }

    for (int j : kShownOutputs) {
        const QString section = OutputSection(j);
        OutputRecord& out = m_tables.Output(j);
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

        Frame& f = FrameAt(j);
        f.txtThick->setText(tlv::Format(out.Thick, QStringLiteral("0.000")));
        const int analog = InputAnalog(out.Input);
        if (analog >= 0 && analog < kAnalogInputs)
            f.txtRate->setText(tlv::FormatRate(ScaleAnalog(m_tables.Analog(analog), out.Rate)));
        else
            f.txtRate->setText(tlv::Format(out.Rate, QStringLiteral("#0.00")));

        if (IsPresentOutput(j)) {
            ChannelMode(j, out.Mode);
            f.txtManPwr->setText(QStringLiteral("0.0"));
            ApplyOutputSetup(j);
            m_tlv->SendPower(static_cast<short>(j), 0);
        } else {
            UpdateFrame(j);
        }
    }

    m_tlv->SendStartMeas();
    m_tlv->ZeroAll();
    m_tlv->setTimerEnabled(true);
}

bool frmMain::IniWrite(const QString& file)
{
    if (file.isEmpty()) return false;
    const QString path = tlv::ProgramFile(file);
    if (!QFileInfo::exists(path)) {
        QFile create(path);
        if (!create.open(QIODevice::WriteOnly)) {
            ShowMessage(this,
                        path + QStringLiteral(" could not be created: ") + create.errorString(),
                        QMessageBox::Warning);
            return false;
        }
    }
    // The file's own write permission decides, not the user's privileges: a setup file marked
    // read-only is never replaced, even by an administrator.
    if (!(QFileInfo(path).permissions() & QFileDevice::WriteOwner)) {
        ShowMessage(this, m_setupFile + QStringLiteral(" is Read Only!"), QMessageBox::Warning);
        return false;
    }
    SetSetupFileName(file);

    cIniFile ini;
    ini.setIniFile(path);
    bool written = true;
    auto put = [&](const QString& section, const char* key, const QString& value) {
        if (ini.WriteIniStr(section, QString::fromLatin1(key), value) == 0) written = false;
    };

    const QString card = QStringLiteral("Card");
    const ProgramFlags& flags = m_tables.Flags;
    put(card, "LogEnabled", Int(flags.LogEnabled));
    put(card, "LogFile", flags.LogFile);
    put(card, "Filter", Int(m_tlv->FilterSize()));
    put(card, "Period", tlv::Format(m_tlv->Period(), QStringLiteral("#.00")));
    put(card, "FMax", tlv::Format(m_tlv->SensorMaxFreq(), QStringLiteral("0")));
    put(card, "FMin", tlv::Format(m_tlv->SensorMinFreq(), QStringLiteral("0")));
    put(card, "FInit", tlv::Format(m_tlv->SensorInitFreq(), QStringLiteral("0")));
    put(card, "Simulate", Int(m_tlv->OpMode()));

    for (int j : kShownOutputs) {
        const QString section = OutputSection(j);
        const OutputRecord& out = m_tables.Output(j);
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
        const SensorRecord& sensor = m_tables.Sensor(s);
        put(section, "Density", tlv::Format(sensor.Density, QStringLiteral("#0.00")));
        put(section, "Zfactor", tlv::Format(sensor.ZFactor, QStringLiteral("#0.000")));
        put(section, "Tooling", tlv::Format(sensor.Tooling, QStringLiteral("#0.00")));
        put(section, "Monitor", Int(sensor.Monitor != 0 ? 1 : 0));
        put(section, "ThickSP", tlv::Format(sensor.ThickSP, QStringLiteral("#0.00")));
    }

    for (int a = 0; a < kAnalogInputs; ++a) {
        const QString section = AnalogSection(a);
        const AnalogRecord& in = m_tables.Analog(a);
        put(section, "Gain", tlv::Format(in.Gain, QStringLiteral("#0.00")));
        put(section, "Offset", tlv::Format(in.Offset, QStringLiteral("#0.00")));
        put(section, "Units", in.Units.trimmed());
        put(section, "Monitor", Int(in.Monitor != 0 ? 1 : 0));
        put(section, "AnalogSP", tlv::Format(in.AnalogSP, QStringLiteral("#0.00")));
    }

    if (!written)
        ShowMessage(this, path + QStringLiteral(" could not be written completely."),
                    QMessageBox::Warning);
    return written;
}

} // namespace coflux
