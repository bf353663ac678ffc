// frmMain's Options menu: the program flags ShowErrors and XRate as check marks, and the rate
// tolerance's form. A change goes to the process at once; it reaches the setup file with the
// next save, like every other setting of the window.

#include "frmFilm.h"
#include "frmMain.h"

#include "common/alarms/AlarmPanel.h"
#include "common/alarms/RateToleranceForm.h"

#include <QMenuBar>

namespace coflux {

void frmMain::BuildOptionsMenu()
{
    m_mnuOptions = menuBar()->addMenu(QStringLiteral("&Options"));
    m_mnuOptions->setObjectName(QStringLiteral("mnuOptions"));

    m_mnuShowErrors = m_mnuOptions->addAction(QStringLiteral("Show &Errors"));
    m_mnuShowErrors->setObjectName(QStringLiteral("mnuShowErrors"));
    m_mnuShowErrors->setCheckable(true);
    m_mnuShowErrors->setToolTip(
        QStringLiteral("Show card errors and sensor and output events in message boxes."));
    connect(m_mnuShowErrors, &QAction::triggered, this,
            [this](bool checked) { m_core->SetShowErrors(checked); });

    m_mnuXRate = m_mnuOptions->addAction(QStringLiteral("&Cross-Rate"));
    m_mnuXRate->setObjectName(QStringLiteral("mnuXRate"));
    m_mnuXRate->setCheckable(true);
    m_mnuXRate->setToolTip(
        QStringLiteral("Let an output's rate setpoint follow the rate of its X Out output."));
    connect(m_mnuXRate, &QAction::triggered, this,
            [this](bool checked) { m_core->SetCrossRate(checked); });

    m_mnuOptions->addSeparator();
    QAction* tolerance = m_mnuOptions->addAction(QStringLiteral("Rate &Tolerance..."));
    tolerance->setObjectName(QStringLiteral("mnuRateTolerance"));
    tolerance->setToolTip(QStringLiteral("How far and how long an output's rate may stray from "
                                         "its setpoint before the rate alarm."));
    connect(tolerance, &QAction::triggered, this, [this] { ShowRateTolerance(); });

    // Whoever changes the flags (this menu, a loaded setup), the window shows them.
    connect(m_core, &Deposition::cardChanged, this, [this] { ShowFlags(); });
    connect(m_core, &Deposition::setupLoaded, this, [this] { ShowFlags(); });
    ShowFlags();
}

void frmMain::ShowRateTolerance()
{
    if (!m_frmTolerance) {
        auto* form = new tlv::RateToleranceForm(
            Tables().Flags.RateTolerance,
            [this](const tlv::RateTolerance& tolerance) {
                return m_core->SetRateTolerance(tolerance).text;
            },
            this);
        form->setAttribute(Qt::WA_DeleteOnClose);
        // A setup loaded while the form is open shows its tolerance.
        connect(m_core, &Deposition::setupLoaded, form,
                [this, form] { form->fill(Tables().Flags.RateTolerance); });
        m_frmTolerance = form;
    }
    m_frmTolerance->show();
    m_frmTolerance->raise();
    m_frmTolerance->activateWindow();
}

void frmMain::ShowAlarmPanel()
{
    m_alarmPanel->show();
    m_alarmPanel->raise();
}

void frmMain::ShowFlags()
{
    const ProgramFlags& flags = Tables().Flags;
    const bool crossRate = flags.XRate > 0;
    m_mnuShowErrors->setChecked(flags.ShowErrors);
    m_mnuXRate->setChecked(crossRate);

    // The rate label of a sensor-fed frame names its cross output only while cross-rate is on.
    // Other frames do not depend on the flag (and one fed by an output would repeat its message).
    for (int j : kShownOutputs) {
        const OutputRecord& out = Tables().Output(j);
        if (out.XOut > -1 && InputAnalog(out.Input) < 0 && InputOutput(out.Input) < 0)
            UpdateFrame(j);
    }
    // An open output editor shows its cross output list only while cross-rate is on.
    if (m_frmFilm) static_cast<frmFilm*>(m_frmFilm.data())->ShowCrossOutput(crossRate);
}

} // namespace coflux
