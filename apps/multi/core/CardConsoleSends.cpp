// The sends of the card console. Each walks its target set in ascending order, stops at the
// first call that fails and stores what was sent in the rows of the target set.
#include "CardConsole.h"

#include "EntryNumber.h"

#include "common/alarms/AlarmConditions.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace multi {

namespace {

// Sends to each target in ascending order and stops at the first one refused (status above 0).
// Returns the last status: 0 when every send was accepted or there was no target.
template <typename Send> int SendEach(const std::vector<int>& targets, Send send)
{
    int status = 0;
    for (int target : targets) {
        status = send(static_cast<short>(target));
        if (status > 0) break;
    }
    return status;
}

// Channels 0 .. count - 1.
std::vector<int> FirstChannels(int count)
{
    std::vector<int> channels;
    channels.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i)
        channels.push_back(i);
    return channels;
}

} // namespace

bool CardConsole::ReadNumbers(const std::vector<std::pair<QString, QString>>& labelledTexts,
                              std::vector<double>& values)
{
    values.clear();
    for (const auto& [label, text] : labelledTexts) {
        double value = 0;
        if (!ParseNumber(text, value)) {
            emit entryRefused(QStringLiteral("%1 must be a number, not \"%2\".").arg(label, text));
            return false;
        }
        values.push_back(value);
    }
    return true;
}

void CardConsole::StorePowerPanel(const std::vector<int>& outputs, const PowerPanel& panel)
{
    for (int o : outputs) {
        m_setup.outputs[o].pidChosen = panel.pidChosen;
        m_setup.outputs[o].manualChosen = panel.manualChosen;
        m_setup.outputs[o].powerText = panel.powerText;
    }
}

void CardConsole::ChooseMode(int mode)
{
    if (m_tlv->TimerEnabled()) m_tlv->setOpMode(mode);
}

int CardConsole::Init(const CardSettings& panel)
{
    m_initialising = true;
    m_initError.clear();
    const int status = SendInit(panel);
    m_initialising = false;
    const tlv::AlarmSource cards{tlv::AlarmSource::Kind::None, -1, QStringLiteral("Cards")};
    if (status == 0) {
        m_alarms.model().clear(tlv::condition::kCard, cards);
        emit initSucceeded();
    } else if (status != kBadEntry) {
        m_alarms.model().raise(
            tlv::condition::kCard, cards,
            QStringLiteral("Init failed: ") +
                (m_initError.isEmpty() ? QStringLiteral("status %1").arg(status) : m_initError));
    }
    return status;
}

int CardConsole::SendInit(const CardSettings& panel)
{
    std::vector<double> v;
    if (!ReadNumbers({{QStringLiteral("Filter"), panel.filter},
                      {QStringLiteral("Freq. Max."), panel.fMax},
                      {QStringLiteral("Freq. Min."), panel.fMin},
                      {QStringLiteral("Freq. Init."), panel.fInit},
                      {QStringLiteral("Period"), panel.period}},
                     v))
        return kBadEntry;
    // Settings the class refuses change nothing: the mode is not sent again, since every
    // switch of the mode clears the zero of every sensor (their thickness would jump), and
    // the filter keeps its readings. SendInit alone reports the refusal.
    if (cTLV880a::InitRefusal(v[1], v[2], v[3], v[4]) != 0)
        return m_tlv->SendInit(v[1], v[2], v[3], v[4]);
    m_tlv->setOpMode(panel.simulate == 0 ? 0 : 1);
    // The filter size is a whole number of readings; the instrument clips it to its range.
    m_tlv->setFilterSize(static_cast<int>(std::nearbyint(std::clamp(v[0], -1e6, 1e6))));
    return m_tlv->SendInit(v[1], v[2], v[3], v[4]);
}

int CardConsole::SendMaterial(const ChannelChoice& sensors, const MaterialTexts& texts)
{
    std::vector<double> v;
    if (!ReadNumbers({{QStringLiteral("Density"), texts.density},
                      {QStringLiteral("ZFactor"), texts.zFactor},
                      {QStringLiteral("Tooling"), texts.tooling}},
                     v))
        return kBadEntry;
    const std::vector<int> targets = SensorTargetSet(sensors);
    const int status =
        SendEach(targets, [&](short s) { return m_tlv->SendMaterial(s, v[0], v[1], v[2]); });
    for (int s : targets) {
        m_setup.sensors[s].density = texts.density;
        m_setup.sensors[s].zFactor = texts.zFactor;
        m_setup.sensors[s].tooling = texts.tooling;
    }
    return status;
}

int CardConsole::SendFullScale(const ChannelChoice& outputs, const std::array<QString, 3>& texts,
                               const PowerPanel& panel)
{
    std::vector<double> v;
    if (!ReadNumbers({{QStringLiteral("Volts"), texts[0]},
                      {QStringLiteral("MaxPwr"), texts[1]},
                      {QStringLiteral("Slew"), texts[2]}},
                     v))
        return kBadEntry;
    const std::vector<int> targets = OutputTargetSet(outputs);
    const int status =
        SendEach(targets, [&](short o) { return m_tlv->SendFullScale(o, v[0], v[1], v[2]); });
    for (int o : targets)
        m_setup.outputs[o].fullScale = texts;
    StorePowerPanel(targets, panel);
    return status;
}

int CardConsole::SendLoop(const ChannelChoice& outputs, const std::array<QString, 4>& texts)
{
    std::vector<double> v;
    if (!ReadNumbers({{QStringLiteral("Rate"), texts[0]},
                      {QStringLiteral("P"), texts[1]},
                      {QStringLiteral("I"), texts[2]},
                      {QStringLiteral("D"), texts[3]}},
                     v))
        return kBadEntry;
    const std::vector<int> targets = OutputTargetSet(outputs);
    const int status =
        SendEach(targets, [&](short o) { return m_tlv->SendLoop(v[0], v[1], v[2], v[3], o); });
    for (int o : targets)
        m_setup.outputs[o].loop = texts;
    return status;
}

void CardConsole::ChoosePid(const ChannelChoice& outputs, const PowerPanel& panel)
{
    const std::vector<int> targets = OutputTargetSet(outputs);
    SendEach(targets, [&](short o) { return m_tlv->setPIDMode(o, 1); });
    StorePowerPanel(targets, panel);
}

int CardConsole::SendPower(const ChannelChoice& outputs, const PowerPanel& panel)
{
    std::vector<double> v;
    if (!ReadNumbers({{QStringLiteral("Power"), panel.powerText}}, v)) return kBadEntry;
    const std::vector<int> targets = OutputTargetSet(outputs);
    const int status = SendEach(targets, [&](short o) {
        // The instrument allows no power before it has a full scale: an output that never had
        // one gets the one its row holds first.
        if (m_tlv->MaxPower(o) <= 0) {
            const int fullScale = SendStoredFullScale(o);
            if (fullScale != 0) return fullScale;
        }
        return m_tlv->SendPower(o, v[0]);
    });
    StorePowerPanel(targets, panel);
    return status;
}

int CardConsole::Zero(const ChannelChoice& sensors)
{
    if (sensors.card == 0 && sensors.channel == 0) return m_tlv->ZeroAll();
    // The thickness a sensor shows is its output's, so zeroing a sensor zeroes that output. An
    // output number from the file beyond the 16-bit channel range names no output: cut down to a
    // channel it would wrap onto a real output and zero that one instead.
    int failures = 0;
    for (int s : SensorTargetSet(sensors)) {
        const int output = m_setup.sensors[s].output;
        const bool inRange = output >= SHRT_MIN && output <= SHRT_MAX;
        if (m_tlv->ZeroThickness(static_cast<short>(inRange ? output : -1)) != 0) ++failures;
    }
    return failures;
}

void CardConsole::MapSensors(const SensorMap& map)
{
    m_tlv->SendMapSensors(map);
    for (int s = 0; s < kSensorCount; ++s)
        m_setup.sensors[s].output = map[s];
}

SendAllStatus CardConsole::SendAll(const CardSettings& panel)
{
    SendAllStatus status;
    status.init = Init(panel);
    status.material = SendAllMaterial();
    SendAllSensorLoops();
    status.loop = SendAllLoops();
    status.fullScale = SendAllFullScale();
    return status;
}

int CardConsole::SendAllMaterial()
{
    return SendEach(FirstChannels(NumCards() * kSensorsPerCard), [&](short s) {
        const SensorRow& row = m_setup.sensors[s];
        const QString sensor = QStringLiteral("Sensor %1 ").arg(s + 1);
        std::vector<double> v;
        if (!ReadNumbers({{sensor + QStringLiteral("Density"), row.density},
                          {sensor + QStringLiteral("ZFactor"), row.zFactor},
                          {sensor + QStringLiteral("Tooling"), row.tooling}},
                         v))
            return kBadEntry;
        return m_tlv->SendMaterial(s, v[0], v[1], v[2]);
    });
}

int CardConsole::SendAllSensorLoops()
{
    return SendEach(FirstChannels(kSensorCount),
                    [&](short s) { return m_tlv->setSensorLoop(s, m_setup.sensors[s].output); });
}

int CardConsole::SendAllLoops()
{
    return SendEach(FirstChannels(NumCards() * kOutputsPerCard), [&](short o) {
        const OutputRow& row = m_setup.outputs[o];
        const QString output = QStringLiteral("Output %1 ").arg(o + 1);
        std::vector<double> v;
        if (!ReadNumbers({{output + QStringLiteral("Rate"), row.loop[0]},
                          {output + QStringLiteral("P"), row.loop[1]},
                          {output + QStringLiteral("I"), row.loop[2]},
                          {output + QStringLiteral("D"), row.loop[3]}},
                         v))
            return kBadEntry;
        return m_tlv->SendLoop(v[0], v[1], v[2], v[3], o);
    });
}

int CardConsole::SendAllFullScale()
{
    return SendEach(FirstChannels(NumCards() * kOutputsPerCard),
                    [&](short o) { return SendStoredFullScale(o); });
}

int CardConsole::SendStoredFullScale(short o)
{
    const OutputRow& row = m_setup.outputs[o];
    const QString output = QStringLiteral("Output %1 ").arg(o + 1);
    std::vector<double> v;
    if (!ReadNumbers({{output + QStringLiteral("Volts"), row.fullScale[0]},
                      {output + QStringLiteral("MaxPwr"), row.fullScale[1]},
                      {output + QStringLiteral("Slew"), row.fullScale[2]}},
                     v))
        return kBadEntry;
    return m_tlv->SendFullScale(o, v[0], v[1], v[2]);
}

void CardConsole::PowerDown()
{
    for (short o = 0; o < tlv880::kOutputs; ++o)
        if (m_tlv->NumOutputValid(o)) m_tlv->SendPower(o, 0);
}

bool CardConsole::ToggleReading(int mode)
{
    m_tlv->setOpMode(mode);
    if (m_tlv->TimerEnabled()) {
        m_tlv->setTimerEnabled(false);
        return false;
    }
    m_tlv->SendStartMeas();
    m_tlv->setTimerEnabled(true);
    return true;
}

} // namespace multi
