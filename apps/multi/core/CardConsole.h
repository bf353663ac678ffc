#pragma once
// The card console of tlvmulti, with no widget in it: the program's one instrument object, the
// stored configuration and its file "tlvmulti.INI", and every send to one channel, one card, the
// same channel on every card or everything.
//
// Commands take the values as the operator typed them (the panels' texts): the console reads the
// numbers, refuses an entry that is no number (entryRefused names it), sends through the
// instrument, which checks the limits, stores what was sent in the rows of the target set and
// returns the status the window shows by its buttons' colours (0 succeeded).

#include "MultiSetup.h"

#include "common/alarms/ProgramAlarms.h"
#include "instrument/cTLV880a.h"

#include <QObject>

#include <array>
#include <memory>
#include <vector>

namespace multi {

// The status of a command whose entry was not a number: nothing was sent, so it failed.
inline constexpr int kBadEntry = 1;

// Which channels a command addresses, as the window's two lists name them: card 0 "All Cards",
// 1..6 "Card n"; channel 0 "All Sensors" / "All Outputs", else the 1-based channel of the card.
struct ChannelChoice {
    int card = 1;
    int channel = 1;
};

struct MaterialTexts {
    QString density;
    QString zFactor;
    QString tooling;
};

// The power panel: which of "PID" and "ManPwr" is chosen, and the manual power text.
struct PowerPanel {
    bool pidChosen = true;
    bool manualChosen = false;
    QString powerText;
};

// The button statuses of "Send All".
struct SendAllStatus {
    int init = 0;
    int material = 0;
    int loop = 0;
    int fullScale = 0;
};

class CardConsole : public QObject {
    Q_OBJECT
public:
    explicit CardConsole(std::unique_ptr<cTLV880a> instrument, QObject* parent = nullptr);
    ~CardConsole() override;

    cTLV880a& Instrument() { return *m_tlv; }
    const cTLV880a& Instrument() const { return *m_tlv; }
    const MultiSetup& Setup() const { return m_setup; }
    int NumCards() const { return m_tlv->NumCards(); }
    bool Reading() const { return m_tlv->TimerEnabled(); }

    std::vector<int> SensorTargetSet(const ChannelChoice& choice) const;
    std::vector<int> OutputTargetSet(const ChannelChoice& choice) const;
    // The sensor table's output column as a sensor-to-output map (-1 = none).
    SensorMap StoredMap() const;

    // Start-up: starts the library and counts the cards from card 1 on; with no card the console
    // works with six simulated cards. Returns each card's firmware revision (0: none).
    std::array<int, kMaxCards> DetectCards();

    // --- the settings file (CardConsole.cpp)
    // Reads the file of that name in the program's folder; a file that is not ours gives the
    // defaults and is never written over; numbers outside their limits are replaced and named.
    void ReadSettings(const QString& file);
    // Stores the card panel's texts and writes the whole configuration to that file; a
    // read-only file keeps its contents (both are told through notice).
    void WriteSettings(const QString& file, const CardSettings& panel);
    // The power panel as every output row starts with it.
    void StartPowerPanels(const PowerPanel& panel);

    // --- commands (CardConsoleSends.cpp)
    // "Normal"/"Simulate": changes the mode at once while reading; otherwise "Init" sends it.
    void ChooseMode(int mode);
    // "Init": mode, filter size, frequencies and period of the panel; settings the instrument
    // refuses change neither the mode nor the filter. A failed Init raises the "card" alarm
    // (its text the instrument's error), a good one clears it and says so (initSucceeded).
    int Init(const CardSettings& panel);
    // While Init runs: the instrument's errors of that time belong to it.
    bool Initialising() const { return m_initialising; }

    // The console's alarms: a failed Init ("card"), logged in "tlvmulti-alarms.log" in the
    // program's folder.
    tlv::ProgramAlarms& Alarms() { return m_alarms; }
    const tlv::ProgramAlarms& Alarms() const { return m_alarms; }
    int SendMaterial(const ChannelChoice& sensors, const MaterialTexts& texts);
    int SendFullScale(const ChannelChoice& outputs, const std::array<QString, 3>& texts,
                      const PowerPanel& panel);
    // The loop now sets the power: the window empties its manual power text.
    int SendLoop(const ChannelChoice& outputs, const std::array<QString, 4>& texts);
    // "PID" chosen: the outputs of the set go under loop control.
    void ChoosePid(const ChannelChoice& outputs, const PowerPanel& panel);
    // "ManPwr" chosen or "Set Power": the panel's manual power to every output of the set.
    int SendPower(const ChannelChoice& outputs, const PowerPanel& panel);
    // "Zero": everything with both lists on their first entry, else the output each sensor feeds.
    int Zero(const ChannelChoice& sensors);
    // Sends a sensor-to-output map (24 entries, -1 = none) and stores it in the sensor table.
    void MapSensors(const SensorMap& map);
    // "Send All": the card panel, then the stored materials, sensor loops, loops and full scales.
    SendAllStatus SendAll(const CardSettings& panel);
    // Every output of the cards to power 0 (the program is stopped by a signal).
    void PowerDown();
    // "Read"/"Stop" in the given mode; true when reading now.
    bool ToggleReading(int mode);

signals:
    // An entry that is no number: "<what> must be a number, not "<text>"."
    void entryRefused(const QString& message);
    // A message for the operator (a warning box in the window).
    void notice(const QString& text);
    // A refusal the status line keeps in view.
    void statusNotice(const QString& text);
    // An Init was accepted: what an earlier one failed with no longer holds.
    void initSucceeded();

private:
    bool ReadNumbers(const std::vector<std::pair<QString, QString>>& labelledTexts,
                     std::vector<double>& values);
    void StorePowerPanel(const std::vector<int>& outputs, const PowerPanel& panel);
    int SendStoredFullScale(short o);
    int SendAllMaterial();
    int SendAllSensorLoops();
    int SendAllLoops();
    int SendAllFullScale();
    int SendInit(const CardSettings& panel);

    std::unique_ptr<cTLV880a> m_tlv;
    MultiSetup m_setup;
    bool m_iniRefused = false; // the settings file is not ours: it is never written
    tlv::ProgramAlarms m_alarms;
    bool m_initialising = false;
    QString m_initError; // the instrument's error during the running Init
};

} // namespace multi
