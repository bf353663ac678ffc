// frmMain's Options menu: the program flags ShowErrors and XRate as check marks. A change goes
// to the process at once; it reaches the setup file with the next save, like every other
// setting of the window.

#include "frmFilm.h"
#include "frmMain.h"

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

    // Whoever changes the flags (this menu, a loaded setup), the window shows them.
    connect(m_core, &Deposition::cardChanged, this, [this] { ShowFlags(); });
    connect(m_core, &Deposition::setupLoaded, this, [this] { ShowFlags(); });
    ShowFlags();
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
