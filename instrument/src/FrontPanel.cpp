// cTLV880a: the front panel of the master card: switches, knob with acceleration, backlight.

#include "instrument/cTLV880a.h"

#include "InstrumentMessages.h"

#include <QTimer>

#include <algorithm>

namespace msg = tlv::msg;

namespace {
// Fast turns of the knob move further: 4 or 5 steps per poll count in medium steps, 7 or more
// in fast steps. The product is held within the 16-bit range of the knob value.
short accelerate(short steps, short medChange, short fastChange)
{
    int value = steps;
    if (steps <= -7)
        value = (steps + 5) * fastChange;
    else if (steps == -5 || steps == -4)
        value = (steps + 3) * medChange;
    else if (steps == 4 || steps == 5)
        value = (steps - 3) * medChange;
    else if (steps >= 7)
        value = (steps - 5) * fastChange;
    return static_cast<short>(std::clamp(value, -32768, 32767));
}

short checkedChange(short value)
{
    return value >= 1 && value <= 300 ? value : 300;
}
} // namespace

void cTLV880a::FPTimer_Timer()
{
    ++m_timerHandlers;
    if (m_displayTimer > 0 && m_backlightOn &&
        DiffSeconds(m_lastActivity, m_clock->now().toUTC()) > m_displayTimer) {
        int result = 0;
        if (bound(m_binding->DimBacklight(1), result)) m_backlightOn = false;
    }
    if (m_fpEnabled) {
        short switches = 0;
        short knob = 0;
        ReadFP(switches, knob);
    }
    --m_timerHandlers;
}

int cTLV880a::ReadFP(short& switches, short& knob)
{
    short pressed = 0;
    short steps = 0;
    int result = 0;
    if (!bound(m_binding->GetSwitchData(&pressed, &steps), result)) return msg::kUnbound;
    steps = accelerate(steps, m_medChange, m_fastChange);
    if (m_fpEnabled) {
        if (pressed != 0 || steps != 0) emit TLVFPChange(static_cast<short>(pressed & 127), steps);
        return 0;
    }
    switches = pressed;
    knob = steps;
    return 0;
}

bool cTLV880a::FPEnabled() const
{
    return m_fpEnabled;
}

void cTLV880a::setFPEnabled(bool enabled)
{
    if (enabled) {
        // Whatever was pressed before the panel was switched on is not a command.
        short pressed = 0;
        short steps = 0;
        int result = 0;
        bound(m_binding->GetSwitchData(&pressed, &steps), result);
    }
    m_fpEnabled = enabled;
}

int cTLV880a::FPInterval() const
{
    return m_fpTimer ? m_fpTimer->interval() : 0;
}

void cTLV880a::setFPInterval(int milliseconds)
{
    // An interval of 0 would poll the panel without pause.
    if (m_fpTimer && milliseconds >= 1) m_fpTimer->setInterval(milliseconds);
}

short cTLV880a::FastChange() const
{
    return m_fastChange;
}

void cTLV880a::setFastChange(short value)
{
    m_fastChange = checkedChange(value);
}

short cTLV880a::MedChange() const
{
    return m_medChange;
}

void cTLV880a::setMedChange(short value)
{
    m_medChange = checkedChange(value);
}

short cTLV880a::DisplayTimer() const
{
    return m_displayTimer;
}

void cTLV880a::setDisplayTimer(short seconds)
{
    m_displayTimer = seconds;
    if (seconds == 0) {
        int result = 0;
        bound(m_binding->DimBacklight(0), result);
        m_backlightOn = true;
    } else if (seconds > 0) {
        m_lastActivity = m_clock->now().toUTC();
    }
}
