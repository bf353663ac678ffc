#include "frmCrystals.h"

#include "CrystalHistory.h"
#include "Deposition.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace coflux {

frmCrystals::frmCrystals(CrystalHistory& history, QWidget* parent)
    : QWidget(parent, Qt::Window), m_history(history)
{
    setObjectName(QStringLiteral("frmCrystals"));
    setWindowTitle(QStringLiteral("Crystal History"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_cboSensor = new QComboBox(this);
    m_cboSensor->setObjectName(QStringLiteral("cboSensor"));
    m_cboSensor->setToolTip(QStringLiteral("Sensor whose crystals are listed."));
    m_cboSensor->addItem(QStringLiteral("All"), 0);
    for (int s = 1; s <= kConfiguredSensors; ++s)
        m_cboSensor->addItem(QStringLiteral("Sensor %1").arg(s), s);
    m_grdCrystals = new QTableWidget(0, 6, this);
    m_grdCrystals->setObjectName(QStringLiteral("grdCrystals"));
    m_grdCrystals->setHorizontalHeaderLabels(
        {QStringLiteral("Sensor"), QStringLiteral("Started"), QStringLiteral("Start freq. (Hz)"),
         QStringLiteral("Film (kA)"), QStringLiteral("Ended"), QStringLiteral("How it ended")});
    m_grdCrystals->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grdCrystals->verticalHeader()->hide();
    m_grdCrystals->horizontalHeader()->setStretchLastSection(true);
    m_lblFile = new QLabel(history.Path(), this);
    m_lblFile->setObjectName(QStringLiteral("lblFile"));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Sensor"), this));
    top->addWidget(m_cboSensor);
    top->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_grdCrystals, 1);
    layout->addWidget(m_lblFile);
    resize(720, 360);

    connect(m_cboSensor, &QComboBox::currentIndexChanged, this, &frmCrystals::Fill);
    connect(&history, &CrystalHistory::changed, this, &frmCrystals::Fill);
    Fill();
}

void frmCrystals::Fill()
{
    const int sensor = m_cboSensor->currentData().toInt();
    m_grdCrystals->setRowCount(0);
    for (const CrystalLifeRow& row : m_history.Rows()) {
        if (sensor != 0 && row.sensor != sensor) continue;
        const int r = m_grdCrystals->rowCount();
        m_grdCrystals->insertRow(r);
        const QStringList cells = CrystalHistory::RowLine(row).split(QLatin1Char(','));
        for (int c = 0; c < cells.size() && c < 6; ++c)
            m_grdCrystals->setItem(r, c, new QTableWidgetItem(cells[c]));
        if (!row.ended.isValid()) m_grdCrystals->setItem(r, 5, new QTableWidgetItem("in use"));
    }
}

frmCrystals* ShowCrystalHistory(Deposition& process, QWidget* parent)
{
    auto* window =
        parent ? parent->findChild<frmCrystals*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) window = new frmCrystals(process.History(), parent);
    window->show();
    window->raise();
    return window;
}

} // namespace coflux
