// Opening the editor windows of the main window. Each window is created on first use, shown
// modeless, restored to normal size and brought to the front. The main window owns them (they
// are separate windows), so none outlives the tables and the instrument it works on.

#include "frmMain.h"

#include "ChartRecorder.h"
#include "frmChart.h"
#include "frmFilm.h"
#include "frmInputs.h"
#include "frmProcess.h"
#include "frmReadings.h"
#include "frmRecorder.h"
#include "frmSetup.h"

#include "common/EditorForm.h"
#include "common/StatusLine.h"

namespace coflux {

namespace {

// Shows a modeless window at normal size in front of the others.
void Present(QWidget* window)
{
    window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace

void frmMain::ShowOutputEditor(int j)
{
    if (!m_frmFilm) m_frmFilm = new frmFilm(*m_core, this);
    static_cast<frmFilm*>(m_frmFilm.data())->setOutNum(static_cast<short>(j));
    Present(m_frmFilm);
}

void frmMain::ShowRecorderEditor(int j)
{
    if (!m_frmRecorder) m_frmRecorder = new frmRecorder(*m_core, this);
    static_cast<frmRecorder*>(m_frmRecorder.data())->setOutNum(static_cast<short>(j));
    Present(m_frmRecorder);
}

void frmMain::ShowReadingsView()
{
    if (!m_frmReadings) m_frmReadings = new frmReadings(*m_core, this);
    Present(m_frmReadings);
}

void frmMain::ShowInputSetup()
{
    if (!m_frmInputs) m_frmInputs = new frmInputs(*m_core, this);
    Present(m_frmInputs);
}

void frmMain::ShowCardSetup()
{
    if (!m_frmSetup) m_frmSetup = new frmSetup(*m_core, this);
    Present(m_frmSetup);
}

void frmMain::CancelEditorsOfReplacedSetup(const QString& name)
{
    // The window's own File Open closes the editors before loading; one still open here saw its
    // setup replaced from elsewhere (a remote client). Its values belong to the old setup, so it
    // closes as by Cancel rather than write them over the new one on OK.
    int closed = 0;
    for (QPointer<QWidget>* form : {&m_frmFilm, &m_frmRecorder, &m_frmInputs, &m_frmSetup}) {
        auto* editor = qobject_cast<tlv::EditorForm*>(form->data());
        if (editor && editor->isVisible() && editor->RunCommand(tlv::EditorForm::Cancel)) ++closed;
    }
    if (closed > 0)
        m_statusLine->showMessage(name + QStringLiteral(" was loaded; its open editors were closed "
                                                        "without applying their changes."));
}

bool frmMain::ReadingsViewVisible() const
{
    return m_frmReadings && m_frmReadings->isVisible();
}

frmProcess* frmMain::ShowProcessWindow()
{
    if (!m_frmProcess) m_frmProcess = new frmProcess(m_host->Recipes(), this);
    m_frmProcess->showNormal();
    m_frmProcess->raise();
    m_frmProcess->activateWindow();
    return m_frmProcess;
}

void frmMain::ShowChart()
{
    if (!m_frmChart) m_frmChart = new frmChart(*m_chartHistory, this);
    m_frmChart->showNormal();
    m_frmChart->raise();
    m_frmChart->activateWindow();
}

void frmMain::RestoreChartVisibility()
{
    if (ChartWasVisible()) ShowChart();
}

} // namespace coflux
