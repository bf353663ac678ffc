#include "frmMain.h"

#include "MonitorChart.h"

#include "frmSetup.h"

#include "common/FormUtil.h"
#include "common/MaterialPicker.h"
#include "common/alarms/AlarmPanel.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>

namespace monitor {

namespace {

// Cell sizes of the readings grid; the material boxes line up with its rows.
struct GridMetrics {
    int rowHeight;
    int columnWidth;
    int lifeLeftWidth; // the forecast column after the life column
};

GridMetrics MetricsFor(const QWidget* w)
{
    const QFontMetrics fm(w->font());
    // 300 x 850 twips at 15 twips per pixel, widened when the font needs it.
    return {std::max(20, fm.height() + 6),
            std::max(57, fm.horizontalAdvance(QStringLiteral("Thick (kA) ")) + 12),
            fm.horizontalAdvance(QStringLiteral("9999.99 kA 99:59:59")) + 12};
}

constexpr int kMargin = 8;
constexpr int kGap = 6;

} // namespace

frmMain::OwnedCore frmMain::MakeCore(cTLV880a* instrument)
{
    OwnedCore owned;
    if (!instrument) {
        owned.instrument = std::make_unique<cTLV880a>(nullptr, cTLV880a::Build::Monitor);
        instrument = owned.instrument.get();
    }
    owned.core = std::make_unique<MonitorCore>(*instrument);
    return owned;
}

frmMain::frmMain(MonitorCore& core, QWidget* parent) : QMainWindow(parent), m_core(&core)
{
    Build();
}

frmMain::frmMain(cTLV880a* instrument, QWidget* parent) : frmMain(MakeCore(instrument), parent) {}

frmMain::frmMain(OwnedCore owned, QWidget* parent)
    : QMainWindow(parent), m_ownInstrument(std::move(owned.instrument)),
      m_ownCore(std::move(owned.core)), m_core(m_ownCore.get())
{
    Build();
}

void frmMain::Build()
{
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_entries = new tlv::EntryGuard(*this, QString::fromLatin1(kProgramTitle));
    BuildControls();
    BuildMenus();
    BuildStatusBar();
    // Every error and refusal of the instrument is shown, whatever else shows it.
    m_statusLine = tlv::InstallStatusLine(this);
    connect(
        &m_core->Instrument(), &cTLV880a::TLVError, m_statusLine,
        [line = m_statusLine](int number, const QString& text) { line->showError(number, text); });
    // The status line counts a message's age on the instrument's clock and follows the alarms,
    // which the panel at the bottom lists.
    m_statusLine->setClock([this] { return m_core->Instrument().Clock().now(); });
    tlv::AlarmModel& alarms = m_core->Alarms().model();
    m_alarmPanel = tlv::InstallAlarmPanel(this, alarms);
    tlv::ShowAlarmsOnStatusLine(*m_statusLine, alarms);
    connect(&m_core->Alarms(), &tlv::ProgramAlarms::logFailed, m_statusLine,
            [line = m_statusLine](const QString& text) { line->showMessage(text); });
    ConnectCore();
}

frmMain::~frmMain()
{
    delete m_setupForm.data();
    delete m_aboutForm.data();
    // The core stops polling before the instrument (if the window made it) shuts the library
    // down.
    m_ownCore.reset();
    m_ownInstrument.reset();
}

void frmMain::BuildControls()
{
    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnlMain"));
    setCentralWidget(panel);

    m_grdReading = new QTableWidget(panel);
    m_grdReading->setObjectName(QStringLiteral("grdReading"));
    m_grdReading->setToolTip(QStringLiteral("Readings from the TLV-880 card sensors."));
    m_grdReading->horizontalHeader()->hide();
    m_grdReading->verticalHeader()->hide();
    m_grdReading->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grdReading->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_grdReading->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grdReading->setSelectionMode(QAbstractItemView::NoSelection);
    m_grdReading->setFocusPolicy(Qt::NoFocus);

    const QStringList heads = {QStringLiteral("Density"), QStringLiteral("Tooling"),
                               QStringLiteral("  Z  Factor")};
    for (int k = 0; k < 3; ++k) {
        m_lblInit[k] = new QLabel(heads[k], panel);
        m_lblInit[k]->setObjectName(QStringLiteral("lblInit_%1").arg(6 + k));
        m_lblInit[k]->setAlignment(Qt::AlignCenter);
    }

    m_cmdStart = new QPushButton(QStringLiteral("&Start"), panel);
    m_cmdStart->setObjectName(QStringLiteral("cmdFSwitch_0"));
    m_cmdStart->setToolTip(QStringLiteral("Start/Stop measurements and zeroes thickness."));
    m_cmdStart->setAutoFillBackground(true);
    connect(m_cmdStart, &QPushButton::clicked, this, [this] { cmdFSwitch_Click(0); });

    m_cmdZero = new QPushButton(QStringLiteral("&Zero Sensor ->"), panel);
    m_cmdZero->setObjectName(QStringLiteral("cmdFSwitch_2"));
    m_cmdZero->setToolTip(QStringLiteral("Zero thickness on all sensors."));
    connect(m_cmdZero, &QPushButton::clicked, this, [this] { cmdFSwitch_Click(2); });

    m_cboZeroSensor = new QComboBox(panel);
    m_cboZeroSensor->setObjectName(QStringLiteral("cboZeroSensor"));
    m_lblSim = tlv::MakeSimulationMark(panel);

    // Only the first row of boxes exists before InitForm loads the others.
    m_txtDensity[0] = CreateMaterialBox(QStringLiteral("txtDensity"), 0,
                                        QStringLiteral("Density of material measured by Sensor."));
    m_txtTooling[0] =
        CreateMaterialBox(QStringLiteral("txtTooling"), 0,
                          QStringLiteral("Above 100% to increase thickness, below to decrease."));
    m_txtZFactor[0] = CreateMaterialBox(QStringLiteral("txtZFactor"), 0,
                                        QStringLiteral("ZFactor of material measured by Sensor."));
    m_lblMaterial = new QLabel(QStringLiteral("Material"), panel);
    CreateMaterialPicker(0);
}

void frmMain::BuildMenus()
{
    m_mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    m_mnuFile->setObjectName(QStringLiteral("mnuFile"));
    QAction* open = m_mnuFile->addAction(QStringLiteral("Open"), this, &frmMain::mnuOpen_Click);
    open->setObjectName(QStringLiteral("mnuOpen"));
    QAction* save = m_mnuFile->addAction(QStringLiteral("&Save As"), this, &frmMain::mnuSave_Click);
    save->setObjectName(QStringLiteral("mnuSave"));
    m_mnuFile->addSeparator()->setObjectName(QStringLiteral("mnuFileSep"));
    QAction* exitAction =
        m_mnuFile->addAction(QStringLiteral("E&xit"), this, &frmMain::mnuExit_Click);
    exitAction->setObjectName(QStringLiteral("mnuExit"));

    m_mnuView = menuBar()->addMenu(QStringLiteral("&View"));
    m_mnuView->setObjectName(QStringLiteral("mnuView"));
    QAction* setup =
        m_mnuView->addAction(QStringLiteral("&Setup"), this, &frmMain::mnuViewSetup_Click);
    setup->setObjectName(QStringLiteral("mnuViewSetup"));
    QAction* chart =
        m_mnuView->addAction(QStringLiteral("&Chart"), this, [this] { ShowChart(*this); });
    chart->setObjectName(QStringLiteral("mnuViewChart"));
    QAction* alarmPanel = m_mnuView->addAction(QStringLiteral("&Alarms"), this, [this] {
        m_alarmPanel->show();
        m_alarmPanel->raise();
    });
    alarmPanel->setObjectName(QStringLiteral("mnuViewAlarms"));

    QAction* about = menuBar()->addAction(QStringLiteral("&About"), this, &frmMain::mnuAbout_Click);
    about->setObjectName(QStringLiteral("mnuAbout"));

    // Opening a menu checks the entry being edited first.
    for (QMenu* menu : {m_mnuFile, m_mnuView})
        connect(menu, &QMenu::aboutToShow, this, [this] { ValidateActiveControl(); });
}

QLineEdit* frmMain::CreateMaterialBox(const QString& name, int sensor, const QString& toolTip)
{
    auto* box = new QLineEdit(centralWidget());
    box->setObjectName(name + QLatin1Char('_') + QString::number(sensor));
    box->setToolTip(toolTip);
    box->setAlignment(Qt::AlignRight);
    m_entries->AddEntry(box, [this](QLineEdit& entry) { return CheckMaterialBox(entry); });
    box->show();
    return box;
}

void frmMain::RemoveMaterialBoxes(int sensor)
{
    for (auto* boxes : {&m_txtDensity, &m_txtTooling, &m_txtZFactor}) {
        QPointer<QLineEdit>& box = (*boxes)[sensor];
        if (!box) continue; // a missing box is not an error
        // Detach first so that losing the focus on the way out runs no entry check.
        m_entries->RemoveEntry(box);
        box->hide();
        box->setParent(nullptr);
        box->deleteLater();
        box = nullptr;
    }
    if (QPointer<tlv::MaterialPicker>& picker = m_cboMaterial[sensor]) {
        picker->hide();
        picker->setParent(nullptr);
        picker->deleteLater();
        picker = nullptr;
    }
}

void frmMain::FillGridHeads()
{
    const QStringList heads = ColumnHeads(Settings().display);
    for (int c = 1; c <= 4; ++c)
        m_grdReading->item(0, c)->setText(heads[c - 1]);
    m_grdReading->item(0, kLifeLeftColumn)->setText(QStringLiteral("Life left"));
    m_headsShown = Settings().display;
}

void frmMain::InitForm()
{
    const MonitorSettings& settings = Settings();
    const int shown = settings.sensorsShown;
    m_grdReading->clear();
    m_grdReading->setRowCount(shown + 1);
    m_grdReading->setColumnCount(kGridColumns);
    const QColor fixedBack = palette().color(QPalette::Button);
    for (int r = 0; r <= shown; ++r) {
        for (int c = 0; c < kGridColumns; ++c) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(c == 0 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignCenter);
            if (r == 0 || c == 0) item->setBackground(fixedBack);
            m_grdReading->setItem(r, c, item);
        }
        if (r > 0)
            m_grdReading->item(r, 0)->setText(QStringLiteral("Sensor ") + QString::number(r));
    }
    FillGridHeads();

    for (int s = 0; s < kMaxSensors; ++s) {
        if (s < shown) {
            if (!m_txtDensity[s]) {
                m_txtDensity[s] =
                    CreateMaterialBox(QStringLiteral("txtDensity"), s, m_txtDensity[0]->toolTip());
                m_txtTooling[s] =
                    CreateMaterialBox(QStringLiteral("txtTooling"), s, m_txtTooling[0]->toolTip());
                m_txtZFactor[s] =
                    CreateMaterialBox(QStringLiteral("txtZFactor"), s, m_txtZFactor[0]->toolTip());
                CreateMaterialPicker(s);
            }
            m_txtDensity[s]->setText(settings.densityText[s]);
            m_txtTooling[s]->setText(settings.toolingText[s]);
            m_txtZFactor[s]->setText(settings.zFactorText[s]);
            ShowRowMaterial(s);
        } else if (s > 0) {
            RemoveMaterialBoxes(s);
        }
    }
    PlaceControls();

    FormOnTop(this, settings.onTop > 0);

    m_cboZeroSensor->clear();
    m_cboZeroSensor->addItem(QStringLiteral("All"));
    for (int n = 1; n <= shown; ++n)
        m_cboZeroSensor->addItem(QString::number(n));
    m_cboZeroSensor->setCurrentIndex(0);
    m_lblSim->setVisible(Instrument().NumCards() == 0 || Instrument().OpMode() != 0);

    m_cmdStart->setFocus();
}

void frmMain::PlaceControls()
{
    const GridMetrics m = MetricsFor(this);
    const int rows = m_grdReading->rowCount();
    for (int r = 0; r < rows; ++r)
        m_grdReading->setRowHeight(r, m.rowHeight);
    for (int c = 0; c < 5; ++c)
        m_grdReading->setColumnWidth(c, m.columnWidth);
    const int frame = 2 * m_grdReading->frameWidth();
    m_grdReading->setColumnWidth(kLifeLeftColumn, m.lifeLeftWidth);
    m_grdReading->setGeometry(kMargin, kMargin, m.columnWidth * 5 + m.lifeLeftWidth + frame,
                              m.rowHeight * rows + frame);

    const int boxWidth =
        std::max(56, QFontMetrics(font()).horizontalAdvance(QStringLiteral("  Z  Factor")) + 8);
    const int boxLeft = m_grdReading->geometry().right() + 1 + kGap;
    const int rowTop = kMargin + m_grdReading->frameWidth();
    for (int k = 0; k < 3; ++k)
        m_lblInit[k]->setGeometry(boxLeft + k * (boxWidth + 2), rowTop, boxWidth, m.rowHeight);
    // The material pickers to the right of the boxes, as wide as a long name needs.
    const int pickerLeft = boxLeft + 3 * (boxWidth + 2) + kGap;
    const int pickerWidth = QFontMetrics(font()).horizontalAdvance(QLatin1Char('x')) * 26;
    m_lblMaterial->setGeometry(pickerLeft, rowTop, pickerWidth, m.rowHeight);
    for (int s = 0; s < Settings().sensorsShown; ++s) {
        const int y = rowTop + (s + 1) * m.rowHeight;
        QLineEdit* boxes[3] = {m_txtDensity[s], m_txtTooling[s], m_txtZFactor[s]};
        for (int k = 0; k < 3; ++k)
            boxes[k]->setGeometry(boxLeft + k * (boxWidth + 2), y, boxWidth, m.rowHeight);
        m_cboMaterial[s]->setGeometry(pickerLeft, y, pickerWidth, m.rowHeight);
    }

    const int right = pickerLeft + pickerWidth;
    const int buttonsTop = m_grdReading->geometry().bottom() + 1 + 2 * kGap;
    const int buttonHeight = m_cmdStart->sizeHint().height();
    m_cmdStart->setGeometry(kMargin, buttonsTop, 110, buttonHeight);
    m_cmdZero->setGeometry(kMargin + 110 + 3 * kGap, buttonsTop, 130, buttonHeight);
    m_cboZeroSensor->setGeometry(kMargin + 240 + 4 * kGap, buttonsTop, 70, buttonHeight);

    m_lblSim->setGeometry(m_cboZeroSensor->geometry().right() + 3 * kGap, buttonsTop, 90,
                          buttonHeight);
    const QSize panelSize(
        std::max({right, m_cboZeroSensor->geometry().right(), m_lblSim->geometry().right()}) +
            kMargin,
        buttonsTop + buttonHeight + kMargin);
    centralWidget()->setFixedSize(panelSize);
    setFixedSize(panelSize.width(), panelSize.height() + menuBar()->sizeHint().height() +
                                        statusBar()->sizeHint().height());
}

} // namespace monitor
