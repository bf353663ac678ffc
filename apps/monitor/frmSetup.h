#pragma once
// tlvmonitor's setup window: firmware revisions, measurement period, rate filter, crystal
// frequency window, display options and logging. Non-modal; OK takes the settings over into
// the main window's settings and the instrument, Cancel (or the close box) drops them, except a
// display mode chosen by clicking, which applies at once.

#include "common/EditorForm.h"
#include "common/EntryGuard.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace monitor {

class frmMain;

class frmSetup : public tlv::EditorForm {
    Q_OBJECT
public:
    // The form works on `main`'s settings and instrument; it deletes itself when closed.
    explicit frmSetup(frmMain& main);

    // Fills every field from the current settings and places the window.
    void Form_Load();
    // Checks one of the five entry fields; any other control is valid.
    void CheckEntry(QWidget* control, bool& valid);

public slots:
    void cmdFSwitch_Click(int index);
    void optDisplay_Click(int index);

protected:
    // The setup form drops what was typed when it is closed other than by OK: nothing to ask.
    bool Changed() const override { return false; }
    // Checks every entry and takes the settings over; false when an entry was refused.
    bool Apply() override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    QLineEdit* NewEntry(const QString& name, const QString& toolTip);
    // The check of one entry field: empty when accepted, else the message.
    QString CheckField(QLineEdit& box);
    void Refuse(const QString& message);

    frmMain& m_main;
    std::array<QLabel*, 8> m_lblRev{};
    QCheckBox* m_chkOnTop = nullptr;
    QComboBox* m_cboShowSensors = nullptr;
    std::array<QRadioButton*, 2> m_optDisplay{};
    QLineEdit* m_txtPeriod = nullptr;
    QLineEdit* m_txtFilter = nullptr;
    std::array<QLineEdit*, 3> m_txtInit{};
    QCheckBox* m_chkLog = nullptr;
    QLineEdit* m_txtLogFile = nullptr;
    QPushButton* m_cmdOK = nullptr;       // cmdFSwitch(1)
    QPushButton* m_cmdCancel = nullptr;   // cmdFSwitch(2)
    tlv::EntryGuard* m_entries = nullptr; // the five entry fields' checks
};

} // namespace monitor
