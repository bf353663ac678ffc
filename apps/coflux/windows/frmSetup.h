#pragma once
// frmSetup: the "Card Setup" form of coflux. Shows and changes the card's measurement settings
// (period, filter length, crystal frequency window, simulation) and the logging settings, and
// shows the card and analog-board revisions and the card's start-up status.
//
// Its values are those of the instrument object and of the program flags in the deposition
// process's tables; applying sends them to the instrument and stores the flags. The process owns
// the tables and the instrument and outlives the form.

#include "common/EditorForm.h"

#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tlv {
class EntryGuard;
}

namespace coflux {

class Deposition;

class frmSetup : public tlv::EditorForm {
    Q_OBJECT
public:
    explicit frmSetup(Deposition& core, QWidget* parent = nullptr);

    // The status text for a start-up result code.
    static QString StatusText(int code);

    // Applies the form: program flags, frequency window and period, filter, operating mode.
    // Returns false (and applies nothing) when an entry is refused.
    bool Apply() override;
    // True when an entry, a check box or the log file differs from what the form was filled with.
    bool Changed() const override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    void AddEntryChecks();
    void Fill();

    QString CheckFilter(QLineEdit& box) const;
    QString CheckMaxFreq(QLineEdit& box) const;
    QString CheckMinFreq(QLineEdit& box) const;
    QString CheckInitFreq(QLineEdit& box) const;

    Deposition& m_core;
    tlv::EntryGuard* m_guard = nullptr;
    QLineEdit* m_txtPeriod = nullptr;
    QLineEdit* m_txtFilter = nullptr;
    std::array<QLineEdit*, 3> m_txtInit{}; // 0 maximum, 1 minimum, 2 initial (MHz)
    QCheckBox* m_chkSimulate = nullptr;
    QCheckBox* m_chkLog = nullptr;
    QLineEdit* m_txtLogFile = nullptr;
    std::array<QLabel*, 3> m_lblRev{}; // revision entries 1, 2 and 7
    QLineEdit* m_txtError = nullptr;
    std::array<QPushButton*, 3> m_cmdFSwitch{};
};

} // namespace coflux
