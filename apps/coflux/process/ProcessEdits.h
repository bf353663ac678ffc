#pragma once
// What the editors of coflux apply to the process in one command each: an output's film, loop
// and inputs; the sensors' and analog inputs' records; the card settings and log; a recorder
// output. The editors check what was typed against its limits; the process applies the rules
// that tie the records to each other and to the card (which output a sensor feeds, which
// records a recorder leaves).

#include <QString>

#include <array>
#include <optional>

namespace coflux {

// The output editor's OK or Update for one output.
struct OutputEdit {
    QString name; // cut or padded to the name's width
    double pTerm = 0, iTerm = 0, dTerm = 0;
    double fullScale = 0, maxPower = 0, slewRate = 0;
    std::optional<short> crossOutput; // nullopt: the cross output stays
    short backup = -1;                // backup sensor slot, -1 none
    double backupTooling = 0;         // % (0: the backup's own tooling)
    // What feeds the film: the configured sensors checked (bits 0..7), or an analog input
    // (0..3), which takes precedence. A sensor or analog input that feeds another output is
    // taken from it (the editor has asked the operator); `keepInputs` leaves the inputs as
    // they are (the operator kept an analog input with its other output).
    int sensors = 0;
    int analog = -1;
    bool keepInputs = false;
    QString material; // a material picked for the film, given to its sensors; empty: none
};

// The input editor's OK or Update: every configured sensor the cards have, and the analog
// inputs.
struct SensorEdit {
    bool monitor = false;
    double thickSetpoint = 0; // kÅ
    double density = 0, zFactor = 0, tooling = 0;
    QString material; // the name the film is known by (empty: typed by hand)
};
struct AnalogEdit {
    double gain = 0, offset = 0, setpoint = 0;
    QString units; // cut to the units' width
    bool monitor = false;
};
struct InputsEdit {
    std::array<std::optional<SensorEdit>, 8> sensors; // nullopt: a sensor the cards lack
    std::array<AnalogEdit, 4> analogs;
};

// The card setup's OK or Update.
struct CardEdit {
    bool logEnabled = false;
    QString logFile;
    double maxFrequency = 0, minFrequency = 0, initFrequency = 0; // Hz
    double period = 0;                                            // s
    int filter = 1;
    bool simulate = false;
};

// The recorder editor's OK or Update for one output: what it records and at which scale.
struct RecorderEdit {
    int input = 0;              // the output's input word with the recorded source
    std::optional<short> scale; // nullopt: the scale stays
};

} // namespace coflux
