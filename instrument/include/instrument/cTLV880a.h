#pragma once

// cTLV880a: the one object through which a program reaches the TLV-880 cards.
//
// It binds the card library libtlv880a.so at run time, starts it (in simulate mode), keeps a copy
// of every setting it sent (stored only when the library accepted it), polls readings on a timer,
// filters them, watches crystal and loop health and reads the front panel. Every failure is
// reported through TLVError(number, message) and the member's return value (0 = success); nothing
// is ever thrown to the caller.
//
// Indices are zero-based everywhere (numbers in messages are one-based): sensors 0..23, outputs
// 0..13 (12 and 13 are the analog outputs A1 and A2), analog inputs 0..3; -1 means "no output" in
// sensor and analog assignments. Power, max power, slew rate and tooling are percentages here.
//
// A library file or export that cannot be found is reported as TLVError(98, a message naming
// it); the member then returns 98 (or 0 for a getter) and changes nothing.
//
// Property get is X(args), let is setX(args, value); a let that can be refused returns its error
// number (0 = success). Everything runs on the thread that owns the object; neither the reading
// poll nor ClearBuff (a zero) runs the message pump: what was posted meanwhile runs from the
// event loop once they have returned.

#include "instrument/CrystalForecast.h"
#include "instrument/InstrumentClock.h"
#include "instrument/LibraryBinding.h"
#include "tlv880a/Dimensions.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class QTimer;

// [sensor][0 rate Å/s, 1 thickness Å, 2 frequency Hz (or -1/-2/-3 crystal failure), 3 deviation %]
using SensorArray = std::array<std::array<double, 4>, tlv880::kSensors>;
// [output][0 rate Å/s, 1 thickness Å, 2 power %, 3 deviation %]
using OutputArray = std::array<std::array<double, 4>, tlv880::kOutputs>;
using AnalogArray = std::array<double, tlv880::kAnalogInputs>; // volts
using SensorMap = std::array<int, tlv880::kSensors>;           // output fed by each sensor, -1 none
using AnalogMap =
    std::array<int, tlv880::kAnalogInputs>; // output fed by each analog input, -1 none

class cTLV880a : public QObject {
    Q_OBJECT

public:
    // Monitor: the tlvmonitor variant. NumCards cannot be set; without cards it counts 24 sensors,
    // 14 outputs and 4 analog inputs; with cards NumOutputs includes the two analog outputs when
    // the analog section is present; SendMapSensors also leaves out sensors the cards do not have.
    enum class Build { Standard, Monitor };

    // Binds the real library and starts it in simulate mode. Events raised while constructing
    // reach no handler: read Revision(0), Revision(1) and OpMode() afterwards.
    explicit cTLV880a(QObject* parent = nullptr, Build build = Build::Standard);
    // Same with a replaceable library binding and clock (tests). Both are shared so that a test
    // can still look at its double after the object is gone.
    cTLV880a(std::shared_ptr<tlv::LibraryBinding> binding,
             std::shared_ptr<tlv::InstrumentClock> clock, QObject* parent = nullptr,
             Build build = Build::Standard);
    // Stops both timers, switches the library to simulate mode and shuts it down.
    ~cTLV880a() override;

    cTLV880a(const cTLV880a&) = delete;
    cTLV880a& operator=(const cTLV880a&) = delete;

    Build build() const { return m_build; }

    // ---- Parameter model, in declaration order ----
    int SendInit(double maxFrequency, double minFrequency, double initFrequency, double period);
    // What SendInit would refuse these values with (its error number), without sending or
    // reporting anything; 0 when the class takes them.
    static int InitRefusal(double maxFrequency, double minFrequency, double initFrequency,
                           double period);
    // 1 an analog input feeds the output, 2 a sensor does, 0 none or an invalid output.
    short LoopType(short out);
    int SendMapSensors(const SensorMap& map);
    int SendMapAnalog(const AnalogMap& map);
    int SendFullScale(short out, double fullScale, double maxPower, double slewRate);
    int SendMaterial(short sen, double density, double zFactor, double tooling);
    int SendLoop(double rate, double pTerm, double iTerm, double dTerm, short out);
    int SendStartMeas();
    // 0 starts the library (once), -1 shuts it down; always returns 0, reports through TLVError.
    int SendStartup(int mode);
    // 0 normal, 1 simulate; without a card normal mode falls back to simulate.
    int SendSimulate(int mode);
    int ZeroSensor(short sen);
    int ZeroThickness(short out);
    int ZeroAll();
    int SendPower(short out, double power);
    double GetPower(short out); // percent
    // Takes one reading into the arrays (rate and power filtered over FilterSize readings); count
    // is the number of unread readings the library had, this one included (0: nothing new, the
    // arrays are left as they were).
    int GetReadings(SensorArray& sensors, OutputArray& outputs, int& count);
    int GetAnalog(AnalogArray& analog, int& count);
    short Revision(short idx) const; // 0 start-up result, 1..6 card firmware, 7 analog section
    // The message of a start-up result (Revision(0)); empty for 0.
    static QString StartupMessage(int result);
    // The clock that stamps the readings (the date of a log's start line comes from it too).
    const tlv::InstrumentClock& Clock() const { return *m_clock; }
    double Period() const;
    int setPeriod(double period);
    static constexpr double PeriodMin() { return 0.1; }
    static constexpr double PeriodMax() { return 2.0; }
    double PTerm(short out);
    int setPTerm(short out, double value);
    double ITerm(short out);
    int setITerm(short out, double value);
    double DTerm(short out);
    int setDTerm(short out, double value);
    double Rate(short out);
    int setRate(short out, double value);
    static constexpr double PTermMin() { return 0.0; }
    static constexpr double PTermMax() { return 9999.0; }
    static constexpr double ITermMin() { return 0.0; }
    static constexpr double ITermMax() { return 99.9; }
    static constexpr double DTermMin() { return 0.0; }
    static constexpr double DTermMax() { return 99.9; }
    static constexpr double SlewRateMin() { return 0.0; }
    static constexpr double SlewRateMax() { return 100.0; }
    double SlewRate(short out);
    int setSlewRate(short out, double value);
    // 2 closed rate loop (PID), 3 manual power. Let: nonzero (true) sends the stored loop terms,
    // zero (false) holds the output's current power manually.
    short PIDMode(short out);
    int setPIDMode(short out, short value);
    double MaxPower(short out);
    int setMaxPower(short out, double value);
    static constexpr double RateMin() { return 0.0; }
    static constexpr double RateMax() { return 999.9; }
    static constexpr double ThickMin() { return 0.0; }   // kÅ, for the forms
    static constexpr double ThickMax() { return 999.9; } // kÅ, for the forms
    int FilterSize() const;
    // A value >= 1 is stored (at most 10); any value restarts the filter's slot index.
    void setFilterSize(int size);
    static constexpr double FSOutMin() { return -10.0; }
    static constexpr double FSOutMax() { return 10.0; }
    double FSOut(short out);
    int setFSOut(short out, double value);
    double Tooling(short sen);
    int setTooling(short sen, double value);
    double ZFactor(short sen);
    int setZFactor(short sen, double value);
    double Density(short sen);
    int setDensity(short sen, double value);
    static constexpr double ZFactorMin() { return 0.1; }
    static constexpr double ZFactorMax() { return 9.999; }
    static constexpr double ToolingMin() { return 0.0; }
    static constexpr double ToolingMax() { return 999.0; }
    static constexpr double DensityMin() { return 0.4; }
    static constexpr double DensityMax() { return 99.99; }
    short OutputStatus(short out);
    bool SensorStatus(short sen, std::uint8_t bit);
    short SensorStatusWord(short sen);
    bool SensorEnabled(short sen);
    int setSensorEnabled(short sen, bool enabled);
    QString SensorName(short sen);
    int setSensorName(short sen, const QString& name);
    QString OutputName(short out);
    int setOutputName(short out, const QString& name);
    static constexpr double XFreqMin() { return 1000000.0; }
    static constexpr double XFreqMax() { return 10000000.0; }
    double SensorMaxFreq() const;
    double SensorMinFreq() const;
    double SensorInitFreq() const;
    int setSensorFrequency(double maxFrequency, double minFrequency, double initFrequency);
    bool SensorDual(short sen);
    int setSensorDual(short sen, bool dual); // also sets the pair partner
    static constexpr double PowerMin() { return 0.0; }
    static constexpr double PowerMax() { return 100.0; }
    // Discards every unread reading of the library and restarts the filter.
    int ClearBuff();
    bool TimerEnabled() const;
    void setTimerEnabled(bool enabled);
    short NumCards() const;
    void setNumCards(short cards); // 1..6, anything else ignored
    short NumSensors() const;
    short NumOutputs() const;
    short NumAnalog() const;
    bool NumOutputValid(short out) const;
    bool NumSensorValid(short sen) const;
    // What sensor `sen` can still take at `frequency` Hz and `rate` Å/s, with its material and
    // tooling as last sent and the cards' minimum and initial frequencies; empty when failed.
    std::optional<tlv::CrystalForecast> SensorForecast(short sen, double frequency,
                                                       double rate) const;
    bool NumAnalogValid(short an) const;
    int SensorLoop(short sen);
    int setSensorLoop(short sen, int out);
    int AnalogLoop(short an);
    int setAnalogLoop(short an, int out);
    QString DLLName() const;      // "libtlv880a.so"
    QString TimerDLLName() const; // file name of the Qt Core library
    int OpMode() const;           // 0 normal, 1 simulate
    int setOpMode(int mode);      // through SendSimulate
    // Front panel: pressed switches and accelerated knob steps. With FPEnabled the change is
    // raised as TLVFPChange and the arguments are left alone; otherwise they receive the values.
    int ReadFP(short& switches, short& knob);
    bool FPEnabled() const;
    void setFPEnabled(bool enabled);
    int FPInterval() const;
    void setFPInterval(int milliseconds); // values below 1 are ignored
    short FastChange() const;
    void setFastChange(short value); // 1..300, anything else stores 300
    short MedChange() const;
    void setMedChange(short value); // 1..300, anything else stores 300
    short DisplayTimer() const;     // seconds without activity before the backlight dims
    void setDisplayTimer(short seconds);
    // Health settings per output (0..13); 0 (or below 1 for counts) switches a rule off.
    double ControlError(short out);
    int setControlError(short out, double percent);
    int ControlErrorLimit(short out);
    int setControlErrorLimit(short out, int seconds);
    int SensorFailLimit(short out);
    int setSensorFailLimit(short out, int readings);
    double SensorQuality(short out);
    int setSensorQuality(short out, double percent);
    int SensorQualityLimit(short out);
    int setSensorQualityLimit(short out, int counts);
    int SensorStabilityLimit(short out);
    int setSensorStabilityLimit(short out, int hertz);
    int SensorStabilitySingle(short out);
    int setSensorStabilitySingle(short out, int hertz);
    // Whole seconds from first to second, rounded.
    int DiffSeconds(const QDateTime& first, const QDateTime& second) const;

public slots:
    // The reading poll; runs every Period x 500 ms while TimerEnabled.
    void TLVTimer_Timer();
    // The front-panel poll; runs every FPInterval ms from construction.
    void FPTimer_Timer();

signals:
    void TLVReading(const SensorArray& sensors, const OutputArray& outputs, double time);
    void TLVAnalog(const AnalogArray& analog, double time);
    void TLVError(int number, const QString& message);
    void TLVSensorEvent(int code, const QString& message, int sensor);
    void TLVOutputEvent(int code, const QString& message, int output);
    void TLVFPChange(short switches, short knob);

private:
    static constexpr int kSensors = tlv880::kSensors;
    static constexpr int kOutputs = tlv880::kOutputs;
    static constexpr int kAnalogs = tlv880::kAnalogInputs;
    static constexpr int kSlots = 10;
    static constexpr int kQualityHistory = 16;

    struct OutputSettings {
        QString name;
        double rate = 0, pTerm = 0, iTerm = 0, dTerm = 0;
        short pidMode = 2;
        double fullScale = -10, maxPower = 0, slewRate = 0;
        double controlError = 0;
        int controlErrorLimit = 0;
        int sensorFailLimit = 3;
        double sensorQuality = 0;
        int sensorQualityLimit = 0;
        int sensorStabilityLimit = 0;
        int sensorStabilitySingle = 0;
    };
    struct SensorSettings {
        QString name;
        double density = 0.4, zFactor = 0.1, tooling = 0;
        int loop = -1;
        bool dual = false;
    };
    struct SensorHealth {
        short status = 0;
        int crystalFailures = 0;
        int qualityCount = 0;
        std::array<double, kQualityHistory> qualityHistory{};
        int qualityIndex = 0;
        int stabilitySum = 0;
        int lastFrequency = 0;
    };
    struct OutputHealth {
        short status = 0;
        QDateTime lastGood; // last time within the control-error tolerance; null before
    };
    // One raw reading as the library delivers it, plus the analog values of the same poll.
    struct RawSlot {
        std::array<double, 72> readings{}; // rates 0..23, thickness 24..47, frequency 48..71
        std::array<double, kOutputs> power{};
        std::array<double, kAnalogs> analog{};
        bool analogValid = false; // analog holds a value taken since the filter restarted
    };

    void initialise();
    // Reports a call the binding could not make (TLVError 98). Returns false in that case.
    bool bound(const tlv::BoundResult& result, int& value);
    int fail(int number, const QString& message);
    bool sensorIndexValid(int sen) const { return sen >= 0 && sen < kSensors; }
    bool outputIndexValid(int out) const { return out >= 0 && out < kOutputs; }
    // The stored loop of a sensor when it names an output, else -1.
    int loopOf(int sen) const
    {
        const int loop = m_sensors[sen].loop;
        return outputIndexValid(loop) ? loop : -1;
    }
    bool checkSensor(int sen);
    bool checkOutput(int out);
    int applyLoopTerm(short out, int term, double value);
    int sendStoredMap();

    double rateDeviation(int sen, const SensorArray& sensors) const;
    void checkCrystal(int sen, double frequency);
    void checkQuality(int sen, double deviation);
    void checkStability(int sen, double frequency);
    // now: the time of this reading, read from the clock once per reading when first needed.
    void checkControlError(int out, double deviation, std::optional<QDateTime>& now);
    void setSensorStatus(int sen, int bit, bool value);
    void setOutputStatus(int out, int bit);
    void clearHealth();

    Build m_build;
    std::shared_ptr<tlv::LibraryBinding> m_binding;
    std::shared_ptr<tlv::InstrumentClock> m_clock;

    // Start-up and mode
    std::array<int, 8> m_info{};
    bool m_started = false;
    short m_cards = 0;
    int m_opMode = 1;

    // Parameter model
    double m_period = 0.1;
    double m_maxFrequency = 10000000.0;
    double m_minFrequency = 1000000.0;
    double m_initFrequency = 5500000.0;
    int m_filterSize = 4;
    std::array<OutputSettings, kOutputs> m_outputs;
    std::array<SensorSettings, kSensors> m_sensors;
    AnalogMap m_analogLoops{-1, -1, -1, -1};

    // Reading store and the arrays handed to the program
    std::array<RawSlot, kSlots> m_slots{};
    int m_slotIndex = 1;   // 1-based slot the next reading goes to
    int m_filledCount = 1; // slots 1..m_filledCount make up the averages
    SensorArray m_sensorReadings{};
    OutputArray m_outputReadings{};
    AnalogArray m_analogReadings{};

    // Health
    std::array<SensorHealth, kSensors> m_sensorHealth{};
    std::array<OutputHealth, kOutputs> m_outputHealth{};

    // Front panel
    bool m_fpEnabled = false;
    short m_medChange = 15;
    short m_fastChange = 40;
    short m_displayTimer = 0;
    bool m_backlightOn = true;
    QDateTime m_lastActivity;

    // Timers and re-entry guards
    QTimer* m_tlvTimer = nullptr;
    QTimer* m_fpTimer = nullptr;
    bool m_polling = false;               // a poll is running (a handler may tick it again)
    bool m_clearing = false;              // ClearBuff is draining
    int m_timerHandlers = 0;              // > 0 while a timer handler runs
    int m_mapDepth = 0;                   // nesting of the sensor/analog map cascade
    QStringList m_unboundReportedByTimer; // failures a timer already reported once
};
