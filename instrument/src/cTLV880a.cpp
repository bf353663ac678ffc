// cTLV880a: construction, start-up, simulate mode, measurement start, counts and error reporting.

#include "instrument/cTLV880a.h"
#include "instrument/OutputSlots.h"

#include "CommonSupport.h"
#include "InstrumentMessages.h"

#include <QFileInfo>
#include <QTimer>

#include <cmath>
#include <dlfcn.h>

namespace msg = tlv::msg;

cTLV880a::cTLV880a(QObject* parent, Build build)
    : cTLV880a(tlv::makeLibraryBinding(), tlv::makeSystemClock(), parent, build)
{
}

cTLV880a::cTLV880a(std::shared_ptr<tlv::LibraryBinding> binding,
                   std::shared_ptr<tlv::InstrumentClock> clock, QObject* parent, Build build)
    : QObject(parent), m_build(build), m_binding(std::move(binding)), m_clock(std::move(clock))
{
    if (!m_binding) m_binding = tlv::makeLibraryBinding();
    if (!m_clock) m_clock = tlv::makeSystemClock();

    for (int o = 0; o < kOutputs; ++o)
        m_outputs[o].name = QStringLiteral("Output ") + QString::number(o + 1);
    for (int s = 0; s < kSensors; ++s)
        m_sensors[s].name = QStringLiteral("Sensor ") + QString::number(s + 1);

    SendStartup(0);

    m_tlvTimer = new QTimer(this);
    m_tlvTimer->setObjectName(QStringLiteral("TLVTimer"));
    m_tlvTimer->setTimerType(Qt::PreciseTimer);
    m_tlvTimer->setInterval(1000);
    connect(m_tlvTimer, &QTimer::timeout, this, &cTLV880a::TLVTimer_Timer);

    m_fpTimer = new QTimer(this);
    m_fpTimer->setObjectName(QStringLiteral("FPTimer"));
    m_fpTimer->setTimerType(Qt::PreciseTimer);
    m_fpTimer->setInterval(250);
    connect(m_fpTimer, &QTimer::timeout, this, &cTLV880a::FPTimer_Timer);
    m_fpTimer->start();
}

cTLV880a::~cTLV880a()
{
    // The owner may be half torn down already: nothing raised from here may reach its handlers.
    blockSignals(true);
    delete m_tlvTimer;
    m_tlvTimer = nullptr;
    delete m_fpTimer;
    m_fpTimer = nullptr;
    if (m_started) {
        SendSimulate(1);
        SendStartup(-1);
    }
}

bool cTLV880a::bound(const tlv::BoundResult& result, int& value)
{
    if (result) {
        value = *result;
        return true;
    }
    QString message = m_binding->failureMessage();
    if (message.isEmpty())
        message = QStringLiteral("The card library %1 is not available.").arg(DLLName());
    // A timer would raise the same failure many times a second: it reports each one once.
    if (m_timerHandlers > 0) {
        if (m_unboundReportedByTimer.contains(message)) return false;
        m_unboundReportedByTimer << message;
    }
    emit TLVError(msg::kUnbound, message);
    return false;
}

int cTLV880a::fail(int number, const QString& message)
{
    emit TLVError(number, message);
    return number;
}

bool cTLV880a::checkSensor(int sen)
{
    if (sensorIndexValid(sen)) return true;
    fail(msg::kErrSensorNumber, msg::kSensorNumber);
    return false;
}

bool cTLV880a::checkOutput(int out)
{
    if (outputIndexValid(out)) return true;
    fail(msg::kErrOutputNumber, msg::kOutputNumber);
    return false;
}

int cTLV880a::SendStartup(int mode)
{
    if (mode == -1) {
        if (!m_started) return 0;
        int result = 0;
        if (bound(m_binding->Xdc770Startup2(-1, m_info.data()), result)) {
            m_info[0] = result;
            m_started = false;
        }
        return 0;
    }
    if (mode != 0 || m_started) return 0;

    int result = 0;
    if (!bound(m_binding->Xdc770Startup2(0, m_info.data()), result)) return 0;
    m_info[0] = result;
    m_cards = 0;
    for (int i = 1; i <= tlv880::kMaxCards; ++i) {
        if (m_info[i] <= 0) break;
        m_cards = static_cast<short>(i);
    }
    m_started = true;
    setOpMode(1); // the library always comes out of start-up in simulate mode
    if (result >= msg::kFirstStartupError) fail(result, msg::startupMessage(result));
    return 0;
}

int cTLV880a::SendSimulate(int mode)
{
    if (mode != 0 && mode != 1) return fail(msg::kErrMode, msg::kMode);
    if (Revision(1) == 0 && mode == 0) mode = 1; // without a card only simulate mode is possible
    int result = 0;
    if (!bound(m_binding->Xdc770Simulate(mode), result)) return msg::kUnbound;
    if (result != 0) return fail(msg::kErrLibrary, msg::kSimulate);
    m_opMode = mode;
    emit TLVOutputEvent(mode, mode == 1 ? msg::kSimulateMode : msg::kNormalMode, 0);
    return 0;
}

int cTLV880a::OpMode() const
{
    return m_opMode;
}

int cTLV880a::setOpMode(int mode)
{
    return SendSimulate(mode);
}

int cTLV880a::InitRefusal(double maxFrequency, double minFrequency, double initFrequency,
                          double period)
{
    const auto inWindow = [](double f) { return f >= XFreqMin() && f <= XFreqMax(); };
    if (!(inWindow(maxFrequency) && inWindow(minFrequency) && inWindow(initFrequency) &&
          maxFrequency >= initFrequency && initFrequency >= minFrequency))
        return msg::kErrFrequency;
    if (!(period >= PeriodMin() && period <= PeriodMax())) return msg::kErrPeriod;
    return 0;
}

int cTLV880a::SendInit(double maxFrequency, double minFrequency, double initFrequency,
                       double period)
{
    switch (InitRefusal(maxFrequency, minFrequency, initFrequency, period)) {
    case msg::kErrFrequency:
        return fail(msg::kErrFrequency, msg::kFrequency);
    case msg::kErrPeriod:
        return fail(msg::kErrPeriod, msg::kPeriod);
    default:
        break;
    }
    int result = 0;
    if (!bound(m_binding->Xdc770Init(maxFrequency, minFrequency, initFrequency, period), result))
        return msg::kUnbound;
    if (result != 0) return fail(msg::kErrLibrary, msg::kInit);
    m_maxFrequency = maxFrequency;
    m_minFrequency = minFrequency;
    m_initFrequency = initFrequency;
    m_period = period;
    // The poll runs twice per measurement period so that a backlog drains.
    m_tlvTimer->setInterval(static_cast<int>(std::nearbyint(period * 500.0)));
    return 0;
}

double cTLV880a::Period() const
{
    return m_period;
}

int cTLV880a::setPeriod(double period)
{
    return SendInit(m_maxFrequency, m_minFrequency, m_initFrequency, period);
}

double cTLV880a::SensorMaxFreq() const
{
    return m_maxFrequency;
}

double cTLV880a::SensorMinFreq() const
{
    return m_minFrequency;
}

double cTLV880a::SensorInitFreq() const
{
    return m_initFrequency;
}

int cTLV880a::setSensorFrequency(double maxFrequency, double minFrequency, double initFrequency)
{
    return SendInit(maxFrequency, minFrequency, initFrequency, m_period);
}

int cTLV880a::SendStartMeas()
{
    bool anyWasDisabled = false;
    for (const SensorHealth& h : m_sensorHealth)
        anyWasDisabled = anyWasDisabled || (h.status & 1) != 0;
    clearHealth();

    bool spareDisabled = false;
    for (int s = 0; s < kSensors; ++s) {
        emit TLVSensorEvent(-1, msg::kSensorCleared, s);
        // The second crystal of a dual head waits as a spare.
        if ((s % 2) == 1 && m_sensors[s].dual) {
            setSensorEnabled(static_cast<short>(s), false);
            spareDisabled = true;
        }
    }
    // Sensors counted enabled again must be back in the library's map as well.
    if (anyWasDisabled && !spareDisabled) sendStoredMap();

    int result = 0;
    if (!bound(m_binding->Xdc770StartMeas(), result)) return msg::kUnbound;
    if (result != 0) return fail(msg::kErrLibrary, msg::kStartMeas);
    return 0;
}

bool cTLV880a::TimerEnabled() const
{
    return m_tlvTimer && m_tlvTimer->isActive();
}

void cTLV880a::setTimerEnabled(bool enabled)
{
    if (!m_tlvTimer) return;
    if (enabled && !m_tlvTimer->isActive())
        m_tlvTimer->start();
    else if (!enabled)
        m_tlvTimer->stop();
}

short cTLV880a::NumCards() const
{
    return m_cards;
}

void cTLV880a::setNumCards(short cards)
{
    if (m_build == Build::Monitor) return;
    if (cards >= 1 && cards <= 6) m_cards = cards;
}

short cTLV880a::NumSensors() const
{
    if (m_build == Build::Monitor && m_cards == 0) return kSensors;
    return static_cast<short>(4 * m_cards);
}

short cTLV880a::NumOutputs() const
{
    if (m_build == Build::Monitor) {
        if (m_cards == 0) return kOutputs;
        return static_cast<short>(2 * m_cards + (m_info[7] >= 1 ? 2 : 0));
    }
    return static_cast<short>(2 * m_cards);
}

short cTLV880a::NumAnalog() const
{
    if (m_build == Build::Monitor && m_cards == 0) return kAnalogs;
    return m_info[7] >= 1 ? kAnalogs : 0;
}

bool cTLV880a::NumSensorValid(short sen) const
{
    if (m_cards == 0) return sen >= 0 && sen < kSensors;
    return sen >= 0 && sen < 4 * m_cards;
}

bool cTLV880a::NumOutputValid(short out) const
{
    if (m_cards == 0) return out >= 0 && out < kOutputs;
    return (out >= 0 && out < 2 * m_cards) || (m_info[7] >= 1 && tlv880::IsAnalogOutput(out));
}

bool cTLV880a::NumAnalogValid(short an) const
{
    return an >= 0 && an < kAnalogs && (m_cards == 0 || m_info[7] >= 1);
}

short cTLV880a::Revision(short idx) const
{
    if (idx < 0 || idx >= static_cast<short>(m_info.size())) return 0;
    return static_cast<short>(m_info[idx]);
}

QString cTLV880a::StartupMessage(int result)
{
    return result == 0 ? QString() : tlv::msg::startupMessage(result);
}

QString cTLV880a::DLLName() const
{
    return tlv::libraryFileName();
}

QString cTLV880a::TimerDLLName() const
{
    // The timers are Qt's: name the Qt Core library this program runs with.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&qVersion), &info) != 0 && info.dli_fname)
        return QFileInfo(QFile::decodeName(info.dli_fname)).fileName();
    return QStringLiteral("libQt6Core.so.6");
}

int cTLV880a::DiffSeconds(const QDateTime& first, const QDateTime& second) const
{
    return tlv::instrument::diffSeconds(first, second);
}
