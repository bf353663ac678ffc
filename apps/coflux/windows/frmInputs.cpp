#include "frmInputs.h"

#include "Deposition.h"
#include "EntryChecks.h"
#include "frmFilmCardLayout.h"
#include "frmFilmControls.h"

#include "common/EntryGuard.h"
#include "common/FormUtil.h"
#include "common/MaterialPicker.h"
#include "common/NumberFormat.h"
#include "instrument/cTLV880a.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QScopedValueRollback>
#include <QVBoxLayout>

namespace coflux {

namespace {

const QString kDensityFormat = QStringLiteral("#0.00");
const QString kZFactorFormat = QStringLiteral("#0.000");
const QString kToolingFormat = QStringLiteral("#0.0");
const QString kThickFormat = QStringLiteral("#0.000");
const QString kGainFormat = QStringLiteral("0.00");
const QString kSetpointFormat = QStringLiteral("#0.00");

constexpr double kAnalogSetpointLimit = 10.0; // volts, either sign

// Gain and offset are free numbers; only text that is no number at all is refused.
EntryCheck NumberCheck(const QString& message)
{
    return [message](QLineEdit& box) -> QString {
        return ParseEntry(box.text()) ? QString() : message;
    };
}

double Value(const QLineEdit* box)
{
    return ParseEntry(box->text()).value_or(0.0);
}

void AddHeads(QGridLayout* grid, QWidget* parent, const QStringList& heads)
{
    // The last head names the monitor check box and its setpoint together.
    for (int column = 0; column < heads.size(); ++column)
        grid->addWidget(tlv::MakeLabel(parent, {}, heads[column]), 0, column + 1, 1,
                        column == heads.size() - 1 ? 2 : 1);
}

} // namespace

frmInputs::frmInputs(Deposition& core, QWidget* parent)
    : tlv::EditorForm(parent, Qt::Window), m_core(core)
{
    m_guard = StartEditorWindow(this, QStringLiteral("frmInputs"), QStringLiteral("Input Setup"));

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // hiding the analog frame shortens the window
    BuildSensors();
    BuildAnalog();
    layout->addWidget(m_fraSensors);
    layout->addWidget(m_fraAnalog);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cmdFSwitch = AddCommandButtons(this, buttons, {kOkTip, {}, kUpdateTip});
    layout->addLayout(buttons);

    AddEntryChecks();
    Fill();
    FitToCards();
    ::RestoreFormPosition(this, true);
    m_guard->SetLoading(false);

    // A film set elsewhere (a remote client, a recipe) shows here at once, unless the operator
    // has edits of his own pending in the form: those are never overwritten.
    connect(&m_core, &Deposition::inputsChanged, this, [this] {
        if (m_applying || DiffersFrom(m_filled)) return;
        m_guard->SetLoading(true);
        Fill();
        m_guard->SetLoading(false);
    });
}

void frmInputs::BuildSensors()
{
    m_fraSensors =
        Named(new QGroupBox(QStringLiteral("Sensors"), this), QStringLiteral("fraSensors"));
    auto* grid = new QGridLayout(m_fraSensors);
    AddHeads(grid, m_fraSensors,
             {QStringLiteral("Density"), QStringLiteral("ZFactor"), QStringLiteral("Tooling"),
              QStringLiteral("Monitor -> SetPt (kA)")});
    for (int s = 0; s < kConfiguredSensors; ++s) {
        SensorRow& row = m_sensors[static_cast<size_t>(s)];
        QWidget* frame = m_fraSensors;
        row.txtDensity = MakeEdit(frame, IndexedName("txtDensity", s), {},
                                  QStringLiteral("Density of material on Sensor."));
        row.txtZFactor = MakeEdit(frame, IndexedName("txtZFactor", s), {},
                                  QStringLiteral("ZFactor of material on Sensor."));
        row.txtTooling =
            MakeEdit(frame, IndexedName("txtTooling", s), {},
                     QStringLiteral("Adjust measured thickness to match actual thickness."));
        row.chkSensor = MakeCheck(frame, IndexedName("chkSensor", s), {},
                                  QStringLiteral("Set sensor to monitor mode."));
        row.txtThick = MakeEdit(frame, IndexedName("txtThick", s), QStringLiteral("000.000"),
                                QStringLiteral("Thickness >= setpoint stops deposition."));
        const int r = s + 1;
        grid->addWidget(tlv::MakeLabel(frame, IndexedName("lblSensor", s),
                                       QStringLiteral("Sensor %1").arg(s + 1)),
                        r, 0);
        grid->addWidget(row.txtDensity, r, 1);
        grid->addWidget(row.txtZFactor, r, 2);
        grid->addWidget(row.txtTooling, r, 3);
        grid->addWidget(row.chkSensor, r, 4);
        grid->addWidget(row.txtThick, r, 5);
        row.cboMaterial = Named(new tlv::MaterialPicker(frame, m_core.Materials()),
                                IndexedName("cboMaterial", s));
        grid->addWidget(row.cboMaterial, r, 6);
        ConnectPicker(row);
    }
    grid->addWidget(tlv::MakeLabel(m_fraSensors, {}, QStringLiteral("Material")), 0, 6);
}

// Choosing a material fills the row's two boxes (still checked as typed values are); typing in
// them shows the material the numbers match, or none.
void frmInputs::ConnectPicker(SensorRow& row)
{
    connect(row.cboMaterial, &tlv::MaterialPicker::materialChosen, this,
            [&row](const tlv::Material& material) {
                row.txtDensity->setText(tlv::Format(material.density, kDensityFormat));
                row.txtZFactor->setText(tlv::Format(material.zRatio, kZFactorFormat));
            });
    auto follow = [this, &row] {
        if (m_filling) return;
        row.cboMaterial->ShowMatchingTexts(row.txtDensity->text(), row.txtZFactor->text(),
                                           row.cboMaterial->ShownName());
    };
    connect(row.txtDensity, &QLineEdit::textChanged, this, follow);
    connect(row.txtZFactor, &QLineEdit::textChanged, this, follow);
}

void frmInputs::BuildAnalog()
{
    m_fraAnalog = Named(new QGroupBox(QStringLiteral("Analog"), this), QStringLiteral("fraAnalog"));
    auto* grid = new QGridLayout(m_fraAnalog);
    AddHeads(grid, m_fraAnalog,
             {QStringLiteral("Gain"), QStringLiteral("Offset"), QStringLiteral("Units"),
              QStringLiteral("Monitor -> SetPt (V)")});
    for (int a = 0; a < kAnalogInputs; ++a) {
        AnalogRow& row = m_analogs[static_cast<size_t>(a)];
        QWidget* frame = m_fraAnalog;
        row.txtGain = MakeEdit(frame, IndexedName("txtGain", a), {},
                               QStringLiteral("Gain multiplier for voltage readings."));
        row.txtOffset = MakeEdit(frame, IndexedName("txtOffset", a), {},
                                 QStringLiteral("Offset to add to voltage readings."));
        row.txtUnits = MakeEdit(frame, IndexedName("txtUnits", a), QStringLiteral("Volts"),
                                QStringLiteral("Display units for voltage readings."));
        row.txtUnits->setAlignment(Qt::AlignLeft);
        row.chkAnalog = MakeCheck(frame, IndexedName("chkAnalog", a), {},
                                  QStringLiteral("Set analog input to monitor mode."));
        row.txtAinSP = MakeEdit(frame, IndexedName("txtAinSP", a), QStringLiteral("00.00"),
                                QStringLiteral("Input voltage >= setpoint stops deposition."));
        const int r = a + 1;
        grid->addWidget(
            tlv::MakeLabel(frame, IndexedName("lblAin", a), QStringLiteral("Analog %1").arg(a + 1)),
            r, 0);
        grid->addWidget(row.txtGain, r, 1);
        grid->addWidget(row.txtOffset, r, 2);
        grid->addWidget(row.txtUnits, r, 3);
        grid->addWidget(row.chkAnalog, r, 4);
        grid->addWidget(row.txtAinSP, r, 5);
    }
    // The sensor rows are wider (their material pickers): the analog columns stay as they are.
    grid->setColumnStretch(6, 1);
}

void frmInputs::AddEntryChecks()
{
    cTLV880a& tlv = m_core.Instrument();
    for (const SensorRow& row : m_sensors) {
        m_guard->AddEntry(row.txtDensity,
                          RangeCheck(tlv.DensityMin(), tlv.DensityMax(), QStringLiteral("#0.00"),
                                     QStringLiteral("Density must be between ")));
        m_guard->AddEntry(row.txtZFactor,
                          RangeCheck(tlv.ZFactorMin(), tlv.ZFactorMax(), QStringLiteral("#0.000"),
                                     QStringLiteral("Z Factor must be between ")));
        m_guard->AddEntry(row.txtTooling,
                          RangeCheck(tlv.ToolingMin(), tlv.ToolingMax(), QStringLiteral("##0.0"),
                                     QStringLiteral("Tooling must be between ")));
        m_guard->Watch(row.chkSensor);
        m_guard->Watch(row.cboMaterial);
        m_guard->AddEntry(row.txtThick,
                          RangeCheck(tlv.ThickMin(), tlv.ThickMax(), QStringLiteral("#0.000"),
                                     QStringLiteral("Thickness must be between ")));
    }
    for (const AnalogRow& row : m_analogs) {
        m_guard->AddEntry(row.txtGain, NumberCheck(QStringLiteral("Gain must be a number !")));
        m_guard->AddEntry(row.txtOffset, NumberCheck(QStringLiteral("Offset must be a number !")));
        m_guard->AddEntry(row.txtUnits, CutCheck(kAnalogUnitsLength));
        m_guard->Watch(row.chkAnalog);
        m_guard->AddEntry(row.txtAinSP, [](QLineEdit& box) -> QString {
            const auto value = ParseEntry(box.text());
            if (!value || *value < -kAnalogSetpointLimit || *value > kAnalogSetpointLimit)
                return QStringLiteral("Aanlog setpoint must be between -10V and +10V!");
            box.setText(tlv::Format(*value, kSetpointFormat));
            return {};
        });
    }
    for (QPushButton* button : m_cmdFSwitch)
        m_guard->Watch(button);
}

bool frmInputs::SensorExists(int sensor) const
{
    cTLV880a& tlv = m_core.Instrument();
    return tlv.NumCards() == 0 || tlv.NumSensorValid(static_cast<short>(sensor));
}

void frmInputs::Fill()
{
    const ProcessTables& tables = m_core.Tables();
    m_filled = tables;
    m_filling = true;
    for (int s = 0; s < kConfiguredSensors; ++s) {
        const SensorRecord& sensor = tables.Sensor(s);
        SensorRow& row = m_sensors[static_cast<size_t>(s)];
        row.txtDensity->setText(tlv::Format(sensor.Density, kDensityFormat));
        row.txtZFactor->setText(tlv::Format(sensor.ZFactor, kZFactorFormat));
        row.txtTooling->setText(tlv::Format(sensor.Tooling, kToolingFormat));
        row.chkSensor->setChecked(sensor.Monitor != 0);
        row.txtThick->setText(tlv::Format(sensor.ThickSP, kThickFormat));
        row.cboMaterial->ShowMatching(sensor.Density, sensor.ZFactor, sensor.Material);
        row.filledMaterial = row.cboMaterial->ShownName();
    }
    m_filling = false;
    for (int a = 0; a < kAnalogInputs; ++a) {
        const AnalogRecord& analog = tables.Analog(a);
        const AnalogRow& row = m_analogs[static_cast<size_t>(a)];
        row.txtGain->setText(tlv::Format(analog.Gain, kGainFormat));
        row.txtOffset->setText(tlv::Format(analog.Offset, kGainFormat));
        row.txtUnits->setText(analog.Units.trimmed());
        row.chkAnalog->setChecked(analog.Monitor != 0);
        row.txtAinSP->setText(tlv::Format(analog.AnalogSP, kSetpointFormat));
    }
}

void frmInputs::FitToCards()
{
    QGridLayout* grid = qobject_cast<QGridLayout*>(m_fraSensors->layout());
    for (int s = 0; s < kConfiguredSensors; ++s) {
        const bool shown = SensorExists(s);
        for (int column = 0; column < grid->columnCount(); ++column)
            if (QLayoutItem* item = grid->itemAtPosition(s + 1, column); item && item->widget())
                item->widget()->setVisible(shown);
    }
    m_fraAnalog->setVisible(HasAnalogBoard(m_core.Instrument()));
}

bool frmInputs::Changed() const
{
    return DiffersFrom(m_core.Tables());
}

bool frmInputs::DiffersFrom(const ProcessTables& tables) const
{
    for (int s = 0; s < kConfiguredSensors; ++s) {
        const SensorRecord& sensor = tables.Sensor(s);
        const SensorRow& row = m_sensors[static_cast<size_t>(s)];
        if (!SameNumber(row.txtDensity->text(), sensor.Density, kDensityFormat) ||
            !SameNumber(row.txtZFactor->text(), sensor.ZFactor, kZFactorFormat) ||
            !SameNumber(row.txtTooling->text(), sensor.Tooling, kToolingFormat) ||
            !SameNumber(row.txtThick->text(), sensor.ThickSP, kThickFormat) ||
            row.chkSensor->isChecked() != (sensor.Monitor != 0) ||
            row.cboMaterial->ShownName() != row.filledMaterial)
            return true;
    }
    for (int a = 0; a < kAnalogInputs; ++a) {
        const AnalogRecord& analog = tables.Analog(a);
        const AnalogRow& row = m_analogs[static_cast<size_t>(a)];
        if (!SameNumber(row.txtGain->text(), analog.Gain, kGainFormat) ||
            !SameNumber(row.txtOffset->text(), analog.Offset, kGainFormat) ||
            !SameNumber(row.txtAinSP->text(), analog.AnalogSP, kSetpointFormat) ||
            row.txtUnits->text().trimmed() != analog.Units.trimmed() ||
            row.chkAnalog->isChecked() != (analog.Monitor != 0))
            return true;
    }
    return false;
}

bool frmInputs::Apply()
{
    // Every entry is checked: the material of each free sensor goes to the card on each apply.
    if (!m_guard->CheckAll(tlv::EntryGuard::Scope::EveryKeepingUntouched)) return false;
    const QScopedValueRollback<bool> applying(m_applying, true);
    InputsEdit edit;
    for (int a = 0; a < kAnalogInputs; ++a) {
        const AnalogRow& row = m_analogs[static_cast<size_t>(a)];
        AnalogEdit& analog = edit.analogs[static_cast<size_t>(a)];
        analog.gain = Value(row.txtGain);
        analog.offset = Value(row.txtOffset);
        analog.units = row.txtUnits->text();
        analog.monitor = row.chkAnalog->isChecked();
        analog.setpoint = Value(row.txtAinSP);
    }
    for (int s = 0; s < kConfiguredSensors; ++s) {
        if (!SensorExists(s)) continue;
        const SensorRow& row = m_sensors[static_cast<size_t>(s)];
        SensorEdit sensor;
        sensor.monitor = row.chkSensor->isChecked();
        sensor.thickSetpoint = Value(row.txtThick);
        sensor.density = Value(row.txtDensity);
        sensor.zFactor = Value(row.txtZFactor);
        sensor.tooling = Value(row.txtTooling);
        // The name is taken over only when the operator's numbers now match another material
        // (or none): a setup that never named its material keeps naming none.
        const QString shown = row.cboMaterial->ShownName();
        sensor.material = shown == row.filledMaterial ? m_core.Tables().Sensor(s).Material : shown;
        edit.sensors[static_cast<size_t>(s)] = sensor;
    }
    m_core.EditInputs(edit);
    for (int s = 0; s < kConfiguredSensors; ++s)
        if (SensorExists(s)) {
            SensorRow& row = m_sensors[static_cast<size_t>(s)];
            row.filledMaterial = row.cboMaterial->ShownName();
        }
    return true;
}

} // namespace coflux
