#include "DepositionRecipeHost.h"

#include <algorithm>
#include <limits>

namespace coflux {

namespace {

// Sensor event codes: 1 crystal failure, -1 every bit of the sensor clear again. Output event
// code 5: every crystal of the output failed.
constexpr int kCrystalFailure = 1;
constexpr int kSensorOk = -1;
constexpr int kAllCrystalsFailed = 5;

} // namespace

DepositionRecipeHost::DepositionRecipeHost(Deposition& deposition, QObject* parent)
    : QObject(parent), m_dep(deposition)
{
    connect(&m_dep, &Deposition::readingTaken, this, &DepositionRecipeHost::OnReading);
    connect(&m_dep, &Deposition::runStateChanged, this, &DepositionRecipeHost::OnRunState);
    connect(&m_dep, &Deposition::tripped, this,
            [this](const QString& message) { m_lastTrip = message; });
    connect(&m_dep, &Deposition::sensorEvent, this, [this](int code, const QString&, int s) {
        if (s < 0 || s >= kProcessSensors) return;
        if (code == kCrystalFailure) m_sensorFailed[size_t(s)] = true;
        if (code == kSensorOk) m_sensorFailed[size_t(s)] = false;
    });
    // A backup that took over keeps the output measuring: the failed sensor no longer fails it
    // (its sensor bits moved), and the run's notes say so.
    connect(&m_dep, &Deposition::backupTookOver, this, [this](int, int, const QString& message) {
        if (m_run) m_run->AddNote(message);
    });
    connect(&m_dep, &Deposition::outputEvent, this, [this](int code, const QString&, int j) {
        if (code == kAllCrystalsFailed && j >= 0 && j < kProcessOutputs)
            m_outputFailed[size_t(j)] = true;
    });
}

bool DepositionRecipeHost::OutputPresent(int slot) const
{
    return m_dep.IsPresentOutput(slot);
}

bool DepositionRecipeHost::SensorPresent(int sensor) const
{
    return m_dep.IsPresentSensor(sensor);
}

QString DepositionRecipeHost::BeginRecipe(const Recipe& recipe)
{
    if (m_dep.RunState() != RunStopped)
        return QStringLiteral("The deposition is running: stop it before a recipe starts.");
    std::vector<int> used;
    for (const RecipeLayer& layer : recipe.layers)
        for (const LayerOutput& o : layer.outputs)
            if (std::find(used.begin(), used.end(), o.slot) == used.end()) used.push_back(o.slot);
    // Rate control needs crystals: an output fed by an analog input or by nothing cannot run.
    for (int j : used) {
        const OutputRecord& out = m_dep.Tables().Output(j);
        if (InputAnalog(out.Input) >= 0 || (out.Input & kSensorBitsMask) == 0)
            return QStringLiteral("Output %1 (%2) has no sensor to control its rate; assign its "
                                  "sensors in its editor first.")
                .arg(OutputNumberOfSlot(j))
                .arg(out.Name.trimmed());
    }
    RestoreOperatorSettings(); // an earlier recipe's, if its deposition never stopped
    for (int j : used) {
        m_saved.push_back({j, m_dep.Mode(j), m_dep.RateSetpoint(j), m_dep.ThicknessSetpoint(j),
                           m_dep.ManualPower(j)});
        m_dep.SetThicknessSetpoint(j, cTLV880a::ThickMax());
        m_dep.SetManualPower(j, 0);
        m_dep.SetMode(j, ModeManual);
    }
    m_sensorFailed.fill(false);
    m_outputFailed.fill(false);
    m_thickOffset.fill(0);
    m_sensorOffset.fill(0);
    m_lastTrip.clear();
    const CommandResult started = m_dep.Start();
    if (!started.ok()) {
        EndRecipe(false);
        return started.text;
    }
    return {};
}

void DepositionRecipeHost::EndRecipe(bool)
{
    // The thickness setpoints come back at once: a completed recipe's idle power may run on,
    // and the operator's setpoint ends it as before. Modes, rates and powers would change the
    // outputs' power while it runs; they come back when the deposition stops.
    for (const SavedOutput& saved : m_saved)
        m_dep.SetThicknessSetpoint(saved.slot, saved.thick);
    if (m_dep.RunState() == RunStopped)
        RestoreOperatorSettings();
    else
        m_restorePending = true;
}

void DepositionRecipeHost::RestoreOperatorSettings()
{
    m_restorePending = false;
    // The power first, so that a manual output never goes back to its mode with the recipe's
    // last power.
    for (const SavedOutput& saved : m_saved) {
        m_dep.SetManualPower(saved.slot, saved.manualPower);
        m_dep.SetRateSetpoint(saved.slot, saved.rate);
        m_dep.SetThicknessSetpoint(saved.slot, saved.thick);
        m_dep.SetMode(saved.slot, saved.mode);
    }
    m_saved.clear();
}

QString DepositionRecipeHost::DataLogPath() const
{
    return m_dep.Tables().Flags.LogFile;
}

void DepositionRecipeHost::SetPower(int slot, double percent)
{
    m_dep.SetOpenLoopPower(slot, std::clamp(percent, cTLV880a::PowerMin(), cTLV880a::PowerMax()));
}

void DepositionRecipeHost::StartRateControl(int slot, double rate)
{
    m_dep.SetRateSetpoint(slot, rate);
    m_dep.SetMode(slot, ModeAuto);
}

void DepositionRecipeHost::SetRateSetpoint(int slot, double rate)
{
    m_dep.SetRateSetpoint(slot, rate);
}

void DepositionRecipeHost::ZeroThickness(int slot)
{
    if (slot >= 0 && slot < kProcessOutputs)
        m_thickOffset[size_t(slot)] = m_dep.Readings().OutThick[size_t(slot)] * 1000.0;
}

void DepositionRecipeHost::ZeroSensor(int sensor)
{
    if (sensor >= 0 && sensor < kProcessSensors)
        m_sensorOffset[size_t(sensor)] = m_dep.Readings().SenThick[size_t(sensor)] * 1000.0;
}

double DepositionRecipeHost::SinceOffset(double thick, double& offset)
{
    // Zeroed by someone else since (the operator's Zero): the count goes on from that zero.
    if (thick < offset) offset = 0;
    return thick - offset;
}

bool DepositionRecipeHost::MaterialKnown(const QString& name) const
{
    return m_dep.Materials().Find(name).has_value();
}

void DepositionRecipeHost::SetOutputMaterial(int slot, const QString& material)
{
    m_dep.SetOutputMaterial(slot, material);
}

void DepositionRecipeHost::AllOutputsOff()
{
    if (m_dep.RunState() != RunStopped) {
        m_stopping = true;
        m_dep.Stop(); // every present output to power 0
        m_stopping = false;
        return;
    }
    for (int j : m_dep.PresentOutputs())
        m_dep.Instrument().SendPower(static_cast<short>(j), 0);
}

void DepositionRecipeHost::OnReading(const ReadingArrays& readings, double time)
{
    if (!m_run || !m_run->IsRunning()) return;
    RecipeReading r;
    r.time = time;
    for (size_t j = 0; j < size_t(kProcessOutputs); ++j) {
        r.outputRate[j] = readings.OutRate[j];
        r.outputThick[j] = SinceOffset(readings.OutThick[j] * 1000.0, m_thickOffset[j]);
        r.outputPower[j] = readings.OutPower[j];
        r.outputCrystalFailed[j] = m_outputFailed[j];
    }
    for (size_t s = 0; s < size_t(kProcessSensors); ++s) {
        r.sensorRate[s] = readings.SenRate[s];
        r.sensorThick[s] = SinceOffset(readings.SenThick[s] * 1000.0, m_sensorOffset[s]);
        r.sensorCrystalFailed[s] = m_sensorFailed[s];
        if (!m_sensorFailed[s]) continue;
        // A failed crystal fails the outputs it feeds.
        for (int j : kShownOutputs)
            if (InputHasSensor(m_dep.SensorBits(j), int(s)))
                r.outputCrystalFailed[size_t(j)] = true;
    }
    r.crystalsKnown = CrystalState(r.outputSensors, r.sensorLeft);
    m_run->OnReading(r);
}

bool DepositionRecipeHost::CrystalState(std::array<int, kProcessOutputs>& outputSensors,
                                        std::array<double, kProcessSensors>& sensorLeft) const
{
    const ReadingArrays& readings = m_dep.Readings();
    for (int j = 0; j < kProcessOutputs; ++j)
        outputSensors[size_t(j)] = m_dep.SensorBits(j);
    for (size_t s = 0; s < size_t(kProcessSensors); ++s) {
        const auto& forecast = readings.SenForecast[s];
        sensorLeft[s] =
            forecast ? forecast->thicknessLeft : std::numeric_limits<double>::quiet_NaN();
    }
    return true;
}

void DepositionRecipeHost::OnRunState(short state, short)
{
    if (state == RunStopped && m_restorePending && (!m_run || !m_run->IsRunning())) {
        RestoreOperatorSettings();
        return;
    }
    if (state != RunStopped || m_stopping || !m_run || !m_run->IsRunning()) return;
    // Stopped from outside the recipe: its outputs are at power 0 already. A trip announces
    // its message from a queued call right after the stop; the recipe fails after it, naming it.
    m_lastTrip.clear();
    QMetaObject::invokeMethod(this, &DepositionRecipeHost::AfterOutsideStop, Qt::QueuedConnection);
}

void DepositionRecipeHost::AfterOutsideStop()
{
    QMetaObject::invokeMethod(this, &DepositionRecipeHost::FailAfterOutsideStop,
                              Qt::QueuedConnection);
}

void DepositionRecipeHost::FailAfterOutsideStop()
{
    if (!m_run || !m_run->IsRunning()) return;
    const QString trip = m_lastTrip.simplified();
    m_run->Fail(trip.isEmpty()
                    ? QStringLiteral("The deposition was stopped; the recipe cannot go on.")
                    : QStringLiteral("The deposition was stopped (%1); the recipe cannot go on.")
                          .arg(trip));
}

} // namespace coflux
