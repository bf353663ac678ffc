#include "frmFilm.h"

#include "CofluxProgram.h"
#include "Deposition.h"
#include "EntryChecks.h"
#include "ProgramMessage.h"
#include "frmFilmBackup.h"
#include "frmFilmCardLayout.h"
#include "frmFilmControls.h"
#include "frmTune.h"

#include "common/DialogService.h"
#include "common/EntryGuard.h"
#include "common/FormUtil.h"
#include "common/MaterialPicker.h"
#include "common/NumberFormat.h"
#include "instrument/cTLV880a.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <utility>

namespace coflux {

namespace {

const QString kPTermFormat = QStringLiteral("#0.0");
const QString kTermFormat = QStringLiteral("#0.00");
const QString kScaleFormat = QStringLiteral("#0.0");
constexpr int kSensorsOption = kAnalogInputs; // optAnalog(4) "Sensors"

double Value(const QLineEdit* box)
{
    return ParseEntry(box->text()).value_or(0.0);
}

bool AskReplace(QWidget* form, const QString& text, const QString& title)
{
    return tlv::DialogService::message(form, text, QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::Warning, title) == QMessageBox::Yes;
}

} // namespace

frmFilm::frmFilm(Deposition& core, QWidget* parent)
    : tlv::EditorForm(parent, Qt::Window), m_core(core)
{
    m_guard = StartEditorWindow(this, QStringLiteral("frmFilm"), QStringLiteral("Output"));
    BuildControls();
    AddEntryChecks();
    ::RestoreFormPosition(this, true);
    m_guard->SetLoading(false);
    // Terms written from elsewhere (the Tune window, a remote client) reach the boxes the
    // operator has not edited, so that OK does not write the old ones back over them.
    connect(&m_core, &Deposition::outputChanged, this, [this](int j) {
        if (j == m_outNum) FollowTerms();
    });
}

void frmFilm::FollowTerms()
{
    const OutputRecord& record = m_core.Tables().Output(m_outNum);
    const std::array<std::pair<QLineEdit*, QString>, 3> terms{
        {{m_txtPTerm, tlv::Format(record.PTerm, kPTermFormat)},
         {m_txtIterm, tlv::Format(record.ITerm, kTermFormat)},
         {m_txtDTerm, tlv::Format(record.DTerm, kTermFormat)}}};
    for (size_t k = 0; k < terms.size(); ++k) {
        QLineEdit* box = terms[k].first;
        if (box->text() == m_filledTerms[k]) box->setText(terms[k].second);
        m_filledTerms[k] = terms[k].second;
    }
}

QString frmFilm::OutputCaption(int out)
{
    if (out == tlv880::kAnalogOutputA1) return QStringLiteral("Output A1");
    if (out == tlv880::kAnalogOutputA2) return QStringLiteral("Output A2");
    return QStringLiteral("Output %1").arg(out + 1);
}

void frmFilm::BuildControls()
{
    auto* name = new QHBoxLayout;
    m_txtFilm = MakeEdit(this, QStringLiteral("txtFilm"), QStringLiteral("Film"),
                         QStringLiteral("Name for this output/film."), 120);
    m_txtFilm->setAlignment(Qt::AlignLeft);
    name->addWidget(tlv::MakeLabel(this, {}, QStringLiteral("Name")));
    name->addWidget(m_txtFilm);
    name->addSpacing(12);
    name->addWidget(tlv::MakeLabel(this, {}, QStringLiteral("Material")));
    m_cboMaterial =
        Named(new tlv::MaterialPicker(this, m_core.Materials()), QStringLiteral("cboMaterial"));
    name->addWidget(m_cboMaterial);
    name->addStretch(1);

    auto* fraOutput =
        Named(new QGroupBox(QStringLiteral("Output"), this), QStringLiteral("fraOutput"));
    auto* output = new QGridLayout(fraOutput);
    const auto addEntry = [&](QLineEdit*& box, const char* objectName, const QString& label,
                              const QString& text, const QString& tip, int row) {
        box = MakeEdit(fraOutput, QLatin1String(objectName), text, tip);
        output->addWidget(tlv::MakeLabel(fraOutput, {}, label), row, 0);
        output->addWidget(box, row, 1);
    };
    addEntry(m_txtPTerm, "txtPTerm", QStringLiteral("P"), QStringLiteral("100"),
             QStringLiteral("Proportional term (gain) of loop."), 0);
    addEntry(m_txtIterm, "txtIterm", QStringLiteral("I"), QStringLiteral("1"),
             QStringLiteral("Integral term (time constant) of loop."), 1);
    addEntry(m_txtDTerm, "txtDTerm", QStringLiteral("D"), QStringLiteral("0"),
             QStringLiteral("Derivative term (dead time) of loop."), 2);
    addEntry(m_txtFullScale, "txtFullScale", QStringLiteral("FullScale"), QStringLiteral("10"),
             QStringLiteral("Full scale output voltage for source supply."), 3);
    addEntry(m_txtMaxPower, "txtMaxPower", QStringLiteral("Max Pwr"), QStringLiteral("100"),
             QStringLiteral("Maximum output (% Full Scale) allowed on source supply."), 4);
    addEntry(m_txtSlewRate, "txtSlewRate", QStringLiteral("Slew Rate"), QStringLiteral("100"),
             QStringLiteral("Maximum rate of change allowed on source supply."), 5);

    auto* fraInput =
        Named(new QGroupBox(QStringLiteral("Input"), this), QStringLiteral("fraInput"));
    auto* input = new QGridLayout(fraInput);
    for (int s = 0; s < kConfiguredSensors; ++s) {
        m_chkSensor[static_cast<size_t>(s)] =
            MakeCheck(fraInput, IndexedName("chkSensor", s), QString::number(s + 1),
                      QStringLiteral("Enable/disable sensor for this film."));
        input->addWidget(m_chkSensor[static_cast<size_t>(s)], s / 4, s % 4);
    }
    m_analogGroup = new QButtonGroup(this);
    m_lblAnalog = tlv::MakeLabel(fraInput, QStringLiteral("lblAnalog"), QStringLiteral("Analog"));
    input->addWidget(m_lblAnalog, 2, 0, 1, 4, Qt::AlignBottom);
    for (int a = 0; a <= kAnalogInputs; ++a) {
        const bool sensors = a == kSensorsOption;
        auto* option =
            MakeOption(fraInput, IndexedName("optAnalog", a),
                       sensors ? QStringLiteral("Sensors") : QString::number(a + 1),
                       sensors ? QString() : QStringLiteral("Analog input used for this film."));
        m_optAnalog[static_cast<size_t>(a)] = option;
        m_analogGroup->addButton(option, a);
        if (sensors)
            input->addWidget(option, 4, 0, 1, 4);
        else
            input->addWidget(option, 3, a);
    }
    connect(m_analogGroup, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) EnableSensorBoxes();
    });

    auto* cross = new QHBoxLayout;
    m_lblXOut = tlv::MakeLabel(this, QStringLiteral("lblXOut"), QStringLiteral("X Out"));
    m_cboXOut = Named(new QComboBox(this), QStringLiteral("cboXOut"));
    m_cboXOut->setToolTip(QStringLiteral("Output used as an input for this film's rate setpoint."));
    m_cboXOut->setMinimumWidth(120);
    cross->addWidget(m_lblXOut);
    cross->addWidget(m_cboXOut);
    cross->addStretch(1);

    auto* backup = new QHBoxLayout;
    m_backup = new FilmBackupRow(this, backup, *m_guard);

    auto* buttons = new QHBoxLayout;
    m_cmdTune = new QPushButton(QStringLiteral("&Tune"), this);
    m_cmdTune->setObjectName(QStringLiteral("cmdTune"));
    m_cmdTune->setToolTip(QStringLiteral("Identify the source with a power step and propose loop "
                                         "terms (Loop Tuning window)."));
    connect(m_cmdTune, &QPushButton::clicked, this,
            [this] { ShowTune(m_core, parentWidget() ? parentWidget() : this, m_outNum); });
    buttons->addWidget(m_cmdTune);
    buttons->addStretch(1);
    m_cmdFSwitch = AddCommandButtons(this, buttons, {kOkTip, kCancelTip, kUpdateTip});

    auto* frames = new QHBoxLayout;
    frames->addWidget(fraOutput);
    frames->addWidget(fraInput);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(name);
    layout->addLayout(frames);
    layout->addLayout(cross);
    layout->addLayout(backup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmFilm::AddEntryChecks()
{
    cTLV880a& tlv = m_core.Instrument();
    m_guard->AddEntry(m_txtFilm, CutCheck(kOutputNameLength));
    m_guard->AddEntry(m_txtPTerm, RangeCheck(tlv.PTermMin(), tlv.PTermMax(), QStringLiteral("#0.0"),
                                             QStringLiteral("P term must be between ")));
    m_guard->AddEntry(m_txtIterm, RangeCheck(tlv.ITermMin(), tlv.ITermMax(), QStringLiteral("#0.0"),
                                             QStringLiteral("I term must be between ")));
    m_guard->AddEntry(m_txtDTerm, RangeCheck(tlv.DTermMin(), tlv.DTermMax(), QStringLiteral("#0.0"),
                                             QStringLiteral("D term must be between ")));
    m_guard->AddEntry(m_txtFullScale,
                      RangeCheck(tlv.FSOutMin(), tlv.FSOutMax(), QStringLiteral("#0.0"),
                                 QStringLiteral("Full Scale must be between ")));
    m_guard->AddEntry(m_txtMaxPower,
                      RangeCheck(tlv.PowerMin(), tlv.PowerMax(), QStringLiteral("##0.0"),
                                 QStringLiteral("Max. Power must be between ")));
    m_guard->AddEntry(m_txtSlewRate,
                      RangeCheck(tlv.SlewRateMin(), tlv.SlewRateMax(), QStringLiteral("##0.0"),
                                 QStringLiteral("Slew Rate must be between ")));
    for (QCheckBox* box : m_chkSensor)
        m_guard->Watch(box);
    for (QRadioButton* option : m_optAnalog)
        m_guard->Watch(option);
    m_guard->Watch(m_cboXOut);
    for (QPushButton* button : m_cmdFSwitch)
        m_guard->Watch(button);
}

bool frmFilm::setOutNum(short out)
{
    if (!IsShownOutput(out)) return false;
    if (m_outNum >= 0 && isVisible()) {
        if (out == m_outNum) return true; // already showing it: keep the operator's unsaved edits
        if (Changed() && tlv::AskSaveChanges(this) && !Apply()) return false;
    }
    m_outNum = out;
    setWindowTitle(OutputCaption(out));
    m_guard->SetLoading(true);
    Fill();
    m_guard->SetLoading(false);
    m_guard->SetCurrent(nullptr);
    return true;
}

void frmFilm::Fill()
{
    const OutputRecord& record = m_core.Tables().Output(m_outNum);
    cTLV880a& tlv = m_core.Instrument();
    m_txtFilm->setText(record.Name.trimmed());
    m_txtPTerm->setText(tlv::Format(record.PTerm, kPTermFormat));
    m_txtIterm->setText(tlv::Format(record.ITerm, kTermFormat));
    m_txtDTerm->setText(tlv::Format(record.DTerm, kTermFormat));
    m_filledTerms = {m_txtPTerm->text(), m_txtIterm->text(), m_txtDTerm->text()};
    m_txtFullScale->setText(tlv::Format(record.FullScale, kScaleFormat));
    m_txtMaxPower->setText(tlv::Format(record.MaxPwr, kScaleFormat));
    m_txtSlewRate->setText(tlv::Format(record.SlewRate, kScaleFormat));

    const int shownSensors = ShownSensorCount(tlv);
    for (int s = 0; s < kConfiguredSensors; ++s) {
        QCheckBox* box = m_chkSensor[static_cast<size_t>(s)];
        box->setVisible(s < shownSensors);
        box->setChecked(InputHasSensor(record.Input, s));
    }
    const bool analogShown = HasAnalogBoard(tlv);
    m_lblAnalog->setVisible(analogShown);
    for (int a = 0; a < kAnalogInputs; ++a)
        m_optAnalog[static_cast<size_t>(a)]->setVisible(analogShown);
    SelectAnalog(InputAnalog(record.Input));
    EnableSensorBoxes();

    const QString material = SensorsMaterial(record);
    m_cboMaterial->ShowNamed(material);
    m_filledMaterial = m_cboMaterial->ShownName();

    FillCrossOutputs(record);
    m_backup->Fill(record, shownSensors);
    ShowCrossOutput(m_core.Tables().Flags.XRate > 0);
}

void frmFilm::ShowCrossOutput(bool crossRate)
{
    m_cboXOut->setVisible(crossRate);
    m_lblXOut->setVisible(crossRate);
}

QString frmFilm::SensorsMaterial(const OutputRecord& record) const
{
    QString common;
    for (int s = 0; s < kConfiguredSensors; ++s) {
        if (!InputHasSensor(record.Input, s) || !m_core.IsPresentSensor(s)) continue;
        const SensorRecord& sensor = m_core.Tables().Sensor(s);
        const auto material =
            m_core.Materials().Matching(sensor.Density, sensor.ZFactor, sensor.Material);
        const QString name = material ? material->name : QString();
        if (name.isEmpty() || (!common.isEmpty() && name != common)) return {};
        common = name;
    }
    return common;
}

void frmFilm::FillCrossOutputs(const OutputRecord& record)
{
    m_cboXOut->clear();
    m_cboXOut->addItem(QStringLiteral("Disabled"), -1);
    for (int j : kShownOutputs)
        if (j != m_outNum && m_core.IsPresentOutput(j))
            m_cboXOut->addItem(m_core.Tables().Output(j).Name.trimmed(), j);
    // An XOut that names no listed output stays as it is (no item selected).
    m_cboXOut->setCurrentIndex(m_cboXOut->findData(static_cast<int>(record.XOut)));
}

int frmFilm::SelectedAnalog() const
{
    const int id = m_analogGroup->checkedId();
    return id >= 0 && id < kAnalogInputs ? id : -1;
}

void frmFilm::SelectAnalog(int analog)
{
    const int id = analog >= 0 && analog < kAnalogInputs ? analog : kSensorsOption;
    m_optAnalog[static_cast<size_t>(id)]->setChecked(true);
}

void frmFilm::EnableSensorBoxes()
{
    const bool sensors = SelectedAnalog() < 0;
    for (QCheckBox* box : m_chkSensor)
        box->setEnabled(sensors);
}

bool frmFilm::Changed() const
{
    if (m_outNum < 0) return false;
    const OutputRecord& record = m_core.Tables().Output(m_outNum);
    if (m_txtFilm->text().trimmed() != record.Name.trimmed() ||
        !SameNumber(m_txtPTerm->text(), record.PTerm, kPTermFormat) ||
        !SameNumber(m_txtIterm->text(), record.ITerm, kTermFormat) ||
        !SameNumber(m_txtDTerm->text(), record.DTerm, kTermFormat) ||
        !SameNumber(m_txtFullScale->text(), record.FullScale, kScaleFormat) ||
        !SameNumber(m_txtMaxPower->text(), record.MaxPwr, kScaleFormat) ||
        !SameNumber(m_txtSlewRate->text(), record.SlewRate, kScaleFormat))
        return true;
    for (int s = 0; s < kConfiguredSensors; ++s)
        if (m_chkSensor[static_cast<size_t>(s)]->isChecked() != InputHasSensor(record.Input, s))
            return true;
    if (SelectedAnalog() != InputAnalog(record.Input) || m_backup->Changed(record)) return true;
    if (m_cboMaterial->ShownName() != m_filledMaterial) return true;
    const int index = m_cboXOut->currentIndex();
    return index >= 0 && m_cboXOut->itemData(index).toInt() != record.XOut;
}

int frmFilm::ConfirmSensors(int checked)
{
    for (int s = 0; s < kConfiguredSensors; ++s) {
        if (!InputHasSensor(checked, s)) continue;
        const int owner = m_core.SensorOwner(s);
        if (owner == -1 || owner == m_outNum) continue;
        const QString question = QStringLiteral("Sensor %1 is already assigned to Output %2.\r\n"
                                                "Do you want to replace that output assignment?")
                                     .arg(s + 1)
                                     .arg(owner + 1);
        if (!AskReplace(this, question, QStringLiteral("Sensor Assigment Error"))) {
            m_chkSensor[static_cast<size_t>(s)]->setChecked(false); // it stays with the other
            checked = WithSensor(checked, s, false);
        }
    }
    return checked;
}

bool frmFilm::ConfirmAnalog(int analog)
{
    const int owner = m_core.AnalogOwner(analog);
    if (owner == -1 || owner == m_outNum) return true;
    const QString question = QStringLiteral("Analog input %1 is already assigned to Output %2.\r\n"
                                            "Do you want to replace that output assignment?")
                                 .arg(analog + 1)
                                 .arg(owner + 1);
    if (AskReplace(this, question, QStringLiteral("Analog Input Assigment Error"))) return true;
    // The selection goes back to what the output has.
    SelectAnalog(InputAnalog(m_core.Tables().Output(m_outNum).Input));
    EnableSensorBoxes();
    return false;
}

bool frmFilm::Apply()
{
    // Every entry is checked: the output's full scale, maximum power and slew rate go to the card
    // on each apply, and a value it refuses (the setup file's default full scale of 100 V, for
    // one) would otherwise fail unseen.
    if (m_outNum < 0 || !m_guard->CheckAll(tlv::EntryGuard::Scope::EveryKeepingUntouched))
        return false;
    OutputEdit edit;
    edit.name = m_txtFilm->text();
    edit.pTerm = Value(m_txtPTerm);
    edit.iTerm = Value(m_txtIterm);
    edit.dTerm = Value(m_txtDTerm);
    edit.fullScale = Value(m_txtFullScale);
    edit.maxPower = Value(m_txtMaxPower);
    edit.slewRate = Value(m_txtSlewRate);
    if (const int index = m_cboXOut->currentIndex(); index >= 0)
        edit.crossOutput = static_cast<short>(m_cboXOut->itemData(index).toInt());
    m_backup->Apply(edit);
    for (int s = 0; s < kConfiguredSensors; ++s)
        edit.sensors =
            WithSensor(edit.sensors, s, m_chkSensor[static_cast<size_t>(s)]->isChecked());
    edit.analog = SelectedAnalog();
    if (const CommandResult refused = m_core.CheckOutputEdit(m_outNum, edit); !refused.ok()) {
        ShowMessage(this, refused.text, QMessageBox::Warning);
        return false;
    }
    // A sensor or analog input another output has is taken from it only when the operator
    // says so.
    if (edit.analog < 0)
        edit.sensors = ConfirmSensors(edit.sensors);
    else
        edit.keepInputs = !ConfirmAnalog(edit.analog);
    if (const QString material = m_cboMaterial->ShownName(); material != m_filledMaterial)
        edit.material = material;

    if (const CommandResult applied = m_core.EditOutput(m_outNum, edit); !applied.ok()) {
        ShowMessage(this, applied.text, QMessageBox::Warning);
        return false;
    }
    if (!edit.material.isEmpty()) m_filledMaterial = edit.material;
    return true;
}

} // namespace coflux
