// The setup file and the commands that change the settings.
#include "MonitorCore.h"
#include "MonitorSetupFile.h"

#include "common/MaterialTable.h"
#include "common/NumberFormat.h"
#include "common/ProgramInfo.h"
#include "common/SetupFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace monitor {

namespace {

QString SetupRefusal(const QString& path)
{
    return tlv::SetupFileRefusal(path, {QStringLiteral("Setup")},
                                 QString::fromLatin1(kProgramTitle) + QStringLiteral(" setup"));
}

struct MaterialKind {
    const char* subject; // start of the limits message
    double min;
    double max;
    const char* pattern;
    QString* stored;
};

} // namespace

QString MonitorCore::SetupFilePath(const QString& file)
{
    return QDir(tlv::ProgramFolder()).filePath(file);
}

void MonitorCore::MakeCurrent(const QString& file)
{
    const bool renamed = tlv::CurrentSetupFile() != file;
    tlv::SetCurrentSetupFile(file);
    emit setupFileChanged(file);
    // The state names the setup file: a new name is a new state.
    if (renamed) PublishState();
}

void MonitorCore::LoadStartupSetup()
{
    QString name = tlv::SavedSetupFile();
    if (name.isEmpty()) name = QString::fromLatin1(kDefaultSetupFile);
    if (IniRead(name)) return;
    // The program runs on its defaults; the refused file stays the one named (saving to it is
    // refused) until another is opened or saved.
    MakeCurrent(name);
    ApplySettings();
}

bool MonitorCore::IniRead(const QString& file)
{
    if (file.isEmpty()) return false;
    const QString path = SetupFilePath(file);
    // A file that is not a monitor setup leaves the current setup as it is; the file is never
    // written over (saving to it is refused too).
    const QString refusal = SetupRefusal(path);
    if (!refusal.isEmpty()) {
        emit statusNotice(refusal);
        emit notice(refusal, NoticeKind::Warning);
        return false;
    }
    if (!QFileInfo::exists(path))
        emit notice(file + QStringLiteral(" Not Found.\nContinuing with defaults."),
                    NoticeKind::Information);
    MakeCurrent(file);

    SetupLimits limits;
    limits.periodMin = m_tlv.PeriodMin();
    limits.periodMax = m_tlv.PeriodMax();
    limits.densityMin = m_tlv.DensityMin();
    limits.densityMax = m_tlv.DensityMax();
    limits.toolingMin = m_tlv.ToolingMin();
    limits.toolingMax = m_tlv.ToolingMax();
    limits.zFactorMin = m_tlv.ZFactorMin();
    limits.zFactorMax = m_tlv.ZFactorMax();
    limits.freqMin = m_tlv.XFreqMin();
    limits.freqMax = m_tlv.XFreqMax();
    ReadSetupFile(path, m_settings, limits);
    ApplySettings();
    return true;
}

void MonitorCore::ApplySettings()
{
    m_tlv.SendSimulate(0);
    m_tlv.SendInit(m_settings.maxFreq, m_settings.minFreq, m_settings.initFreq, m_settings.period);
    // The rate filter set by the operator is the one the instrument averages with.
    m_tlv.setFilterSize(m_settings.filter);
    SensorMap unmapped{};
    unmapped.fill(0);
    m_tlv.SendMapSensors(unmapped);
    for (short o = 0; o < 4; ++o)
        m_tlv.SendPower(o, 0.0);
}

bool MonitorCore::IniWrite(const QString& file, const ShownMaterials& shown)
{
    if (file.isEmpty()) return false;
    const QString path = SetupFilePath(file);
    const QString refusal = SetupRefusal(path);
    if (!refusal.isEmpty()) {
        emit statusNotice(refusal);
        emit notice(refusal + QStringLiteral("\nIt is not written over."), NoticeKind::Warning);
        return false;
    }
    if (!QFileInfo::exists(path)) {
        QFile created(path);
        if (!created.open(QIODevice::WriteOnly)) {
            emit notice(file + QStringLiteral(" could not be created!"), NoticeKind::Warning);
            return false;
        }
    }
    const QFileInfo info(path);
    if (!(info.permissions() & QFileDevice::WriteOwner) || !info.isWritable()) {
        emit notice(file + QStringLiteral(" is Read Only!"), NoticeKind::Warning);
        return false;
    }
    MakeCurrent(file);

    // Material keys are written from what the boxes show.
    MonitorSettings written = m_settings;
    for (size_t s = 0; s < static_cast<size_t>(kMaxSensors); ++s) {
        if (!shown.density[s].isNull()) written.densityText[s] = shown.density[s];
        if (!shown.tooling[s].isNull()) written.toolingText[s] = shown.tooling[s];
        if (!shown.zFactor[s].isNull()) written.zFactorText[s] = shown.zFactor[s];
    }
    if (!WriteSetupFile(path, written)) {
        emit notice(file + QStringLiteral(" could not be written!"), NoticeKind::Warning);
        return false;
    }
    return true;
}

MaterialEntry MonitorCore::EnterMaterial(int sensor, MaterialField field, const QString& typed)
{
    if (sensor < 0 || sensor >= kMaxSensors)
        return {QStringLiteral("Sensor %1 is not one of the 24 sensors.").arg(sensor + 1), typed};
    const auto s = static_cast<size_t>(sensor);
    MaterialKind kind{};
    switch (field) {
    case MaterialField::Density:
        kind = {"Density must be between ", m_tlv.DensityMin(), m_tlv.DensityMax(), "#0.00",
                &m_settings.densityText[s]};
        break;
    case MaterialField::Tooling:
        kind = {"Tooling must be between ", m_tlv.ToolingMin(), m_tlv.ToolingMax(), "##0.0",
                &m_settings.toolingText[s]};
        break;
    case MaterialField::ZFactor:
        kind = {"Z Factor must be between ", m_tlv.ZFactorMin(), m_tlv.ZFactorMax(), "#0.000",
                &m_settings.zFactorText[s]};
        break;
    }

    // Text that is not a number in full is refused like a value beyond the limits.
    double v = 0.0;
    if (!ParseNumber(typed, v) || v < kind.min || v > kind.max)
        return {QString::fromLatin1(kind.subject) + QString::number(kind.min) +
                    QStringLiteral(" and ") + QString::number(kind.max) + QStringLiteral(" !"),
                typed};

    double storedValue = 0.0;
    const bool same = ParseNumber(*kind.stored, storedValue) && storedValue == v;
    if (!same) *kind.stored = tlv::Format(v, QString::fromLatin1(kind.pattern));
    if (m_settings.runState == 1) SendMaterials(sensor);
    if (same) return {{}, typed}; // the same value in other words: accepted as typed

    m_settings.setupChanged = true;
    // New numbers name the material they match, or none (a tooling changes no film).
    if (field != MaterialField::Tooling) {
        double density = 0.0;
        double zFactor = 0.0;
        const bool numbers = ParseNumber(m_settings.densityText[s], density) &&
                             ParseNumber(m_settings.zFactorText[s], zFactor);
        const auto material = numbers ? tlv::MaterialTable::Program().Matching(
                                            density, zFactor, m_settings.materialName[s])
                                      : std::nullopt;
        m_settings.materialName[s] = material ? material->name : QString();
    }
    return {{}, *kind.stored, true};
}

void MonitorCore::NameMaterial(int sensor, const QString& name)
{
    if (sensor < 0 || sensor >= kMaxSensors) return;
    QString& stored = m_settings.materialName[static_cast<size_t>(sensor)];
    if (stored == name) return;
    stored = name;
    m_settings.setupChanged = true;
}

QString MonitorCore::ApplySetup(const SetupChange& change)
{
    QString refusal;
    const auto errors = connect(&m_tlv, &cTLV880a::TLVError, this,
                                [&refusal](int, const QString& message) { refusal = message; });
    const int result =
        m_tlv.SendInit(change.maxFreq, change.minFreq, change.initFreq, change.period);
    disconnect(errors);
    if (result == 0) {
        m_settings.period = change.period;
        m_settings.maxFreq = change.maxFreq;
        m_settings.minFreq = change.minFreq;
        m_settings.initFreq = change.initFreq;
    } else if (refusal.isEmpty()) {
        // The instrument kept its previous window and period; so do the settings.
        refusal = QStringLiteral("The card settings were not accepted.");
    }

    m_settings.filter = std::clamp(change.filter, 1, 10);
    m_tlv.setFilterSize(m_settings.filter);
    m_settings.logEnabled = change.logEnabled != 0 ? 1 : 0;
    m_settings.logFile = change.logFile;
    m_settings.onTop = change.onTop != 0 ? 1 : 0;
    m_settings.sensorsShown = std::clamp(change.sensorsShown, 1, kMaxSensors);
    m_settings.display = change.display;
    m_settings.setupChanged = true;
    return result == 0 ? QString() : refusal;
}

void MonitorCore::SetDisplayMode(DisplayMode mode)
{
    m_settings.display = mode;
}

} // namespace monitor
