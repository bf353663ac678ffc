#pragma once
// frmTolerance: the "Rate Tolerance" form. Edits the band around every output's rate setpoint
// (percent of the setpoint and the minimum in Å/s) and how long a rate may stay outside it
// before the warning and before the alarm. Each entry is checked against its limits when it is
// left; OK checks them together (the warning cannot come after the alarm) and hands the new
// tolerance to the program, which may refuse it with a message.
//
// Object names: the entries "txtTolerance_0" (%), "_1" (Å/s), "_2" (warning, s), "_3" (alarm,
// s); the buttons "cmdFSwitch_0" (OK) and "cmdFSwitch_1" (Cancel).

#include "common/EditorForm.h"
#include "common/alarms/RateTolerance.h"

#include <QString>

#include <array>
#include <functional>

class QLineEdit;

namespace tlv {

class EntryGuard;

class RateToleranceForm : public EditorForm {
    Q_OBJECT
public:
    // Applies a tolerance: empty when taken, else why it was refused.
    using Applier = std::function<QString(const RateTolerance&)>;
    RateToleranceForm(const RateTolerance& current, Applier apply, QWidget* parent = nullptr);

    // Shows `tolerance` in the entries (the program's, when it changed elsewhere).
    void fill(const RateTolerance& tolerance);

protected:
    bool Changed() const override;
    bool Apply() override;

private:
    std::array<QLineEdit*, 4> m_entries{};
    EntryGuard* m_guard = nullptr;
    Applier m_apply;
    RateTolerance m_shown;
};

} // namespace tlv
