#include "frmRecorder.h"

#include "Deposition.h"
#include "frmFilm.h"
#include "frmFilmCardLayout.h"
#include "frmFilmControls.h"

#include "common/FormUtil.h"
#include "common/NumberFormat.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace coflux {

namespace {

struct ScaleOption {
    const char* caption;
    const char* tip;
};

constexpr std::array<ScaleOption, frmRecorder::kScales> kScaleOptions{{
    {"10 A/s", "Recorder output is 10A/s full scale"},
    {"100 A/s", "Recorder output is 100A/s full scale."},
    {"100 kA", "Recorder output is 100A full scale."},
    {"1000 kA", "Recorder output is 1000A full scale."},
    {"10%", "Recorder output is 10% full scale."},
    {"100%", "Recorder output is 100% full scale."},
    {"1 Volt", "Recorder full scale output is 1V in."},
    {"10 Volts", "Recorder full scale output is 10V in."},
}};

enum class InputKind { None, Sensor, Analog, Output };

InputKind KindOf(int option)
{
    if (option >= 0 && option < frmRecorder::kFirstAnalogOption) return InputKind::Sensor;
    if (option >= frmRecorder::kFirstAnalogOption && option < frmRecorder::kFirstOutputOption)
        return InputKind::Analog;
    if ((option >= frmRecorder::kFirstOutputOption &&
         option < frmRecorder::kFirstOutputOption + 4) ||
        option == frmRecorder::kAnalogOutputOption ||
        option == frmRecorder::kAnalogOutputOption + 1)
        return InputKind::Output;
    return InputKind::None;
}

// The output slot an output option stands for (options 12..15 and 24, 25 are slots 0..3, 12, 13).
int OutputOfOption(int option)
{
    return option - frmRecorder::kFirstOutputOption;
}

} // namespace

frmRecorder::frmRecorder(Deposition& core, QWidget* parent)
    : tlv::EditorForm(parent, Qt::Window), m_core(core)
{
    setObjectName(QStringLiteral("frmRecorder"));
    setWindowTitle(QStringLiteral("Recorder Setup"));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildControls();
    FitToCards();
    ::RestoreFormPosition(this, true);

    cTLV880a& tlv = m_core.Instrument();
    connect(&tlv, &cTLV880a::TLVReading, this, &frmRecorder::OnReading);
    connect(&tlv, &cTLV880a::TLVAnalog, this, &frmRecorder::OnAnalog);
}

void frmRecorder::BuildControls()
{
    auto* fraInputs =
        Named(new QGroupBox(QStringLiteral("Input"), this), QStringLiteral("fraInputs"));
    // One row per kind of input: sensors, analog inputs, outputs (named, so of varying width).
    auto* inputs = new QGridLayout(fraInputs);
    std::array<QHBoxLayout*, 3> rows{};
    for (int row = 0; row < 3; ++row) {
        rows[static_cast<size_t>(row)] = new QHBoxLayout;
        inputs->addLayout(rows[static_cast<size_t>(row)], row, 1);
    }
    m_inputGroup = new QButtonGroup(this);
    const auto addInput = [&](int option, const QString& caption, const QString& tip, int row) {
        auto* button = MakeOption(fraInputs, IndexedName("optInput", option), caption, tip);
        m_optInput[static_cast<size_t>(option)] = button;
        m_inputGroup->addButton(button, option);
        rows[static_cast<size_t>(row)]->addWidget(button);
    };
    const std::array<std::pair<int, const char*>, 3> groups{
        {{4, "Sensor"}, {0, "Analog"}, {1, "Output"}}};
    for (int row = 0; row < 3; ++row) {
        const auto& [index, caption] = groups[static_cast<size_t>(row)];
        m_lblInput[static_cast<size_t>(index)] =
            tlv::MakeLabel(fraInputs, IndexedName("lblInput", index), QLatin1String(caption));
        inputs->addWidget(m_lblInput[static_cast<size_t>(index)], row, 0);
    }
    for (int s = 0; s < kConfiguredSensors; ++s)
        addInput(s, QString::number(s + 1), QStringLiteral("Set sensor as recorder input."), 0);
    for (int a = 0; a < kAnalogInputs; ++a)
        addInput(kFirstAnalogOption + a, QString::number(a + 1),
                 QStringLiteral("Set analog input as recorder input."), 1);
    const QString loopTip = QStringLiteral("Set control loop as recorder input.");
    for (int k = 0; k < 4; ++k)
        addInput(kFirstOutputOption + k, QString::number(k + 1), loopTip, 2);
    addInput(kAnalogOutputOption, QStringLiteral("A1"), loopTip, 2);
    addInput(kAnalogOutputOption + 1, QStringLiteral("A2"), loopTip, 2);
    for (QHBoxLayout* row : rows)
        row->addStretch(1);
    connect(m_inputGroup, &QButtonGroup::idToggled, this, [this](int option, bool on) {
        if (on) OnInputChosen(option);
    });

    auto* fraScale = Named(new QGroupBox(QStringLiteral("Output (Full Scale)"), this),
                           QStringLiteral("fraScale"));
    auto* scales = new QGridLayout(fraScale);
    m_scaleGroup = new QButtonGroup(this);
    const std::array<const char*, 4> scaleHeads{"Rate", "Thickness", "Power", "Voltage"};
    for (int row = 0; row < 4; ++row)
        scales->addWidget(tlv::MakeLabel(fraScale, IndexedName("lblScale", row),
                                         QLatin1String(scaleHeads[static_cast<size_t>(row)])),
                          row, 0);
    for (int i = 0; i < kScales; ++i) {
        const ScaleOption& scale = kScaleOptions[static_cast<size_t>(i)];
        auto* button = MakeOption(fraScale, IndexedName("optScale", i),
                                  QLatin1String(scale.caption), QLatin1String(scale.tip));
        m_optScale[static_cast<size_t>(i)] = button;
        m_scaleGroup->addButton(button, i);
        scales->addWidget(button, i / 2, 1 + i % 2);
    }

    auto* readings = new QGridLayout;
    readings->addWidget(
        tlv::MakeLabel(this, QStringLiteral("lblIn"), QStringLiteral("Input Reading")), 0, 0);
    m_txtInput = MakeEdit(this, QStringLiteral("txtInput"), {}, {}, 90);
    m_txtInput->setReadOnly(true);
    readings->addWidget(m_txtInput, 0, 1);
    m_lblInputRdg = tlv::MakeLabel(this, QStringLiteral("lblInputRdg"), {});
    m_lblInputRdg->setMinimumWidth(70);
    readings->addWidget(m_lblInputRdg, 0, 2);
    readings->addWidget(tlv::MakeLabel(this, {}, QStringLiteral("Output Reading")), 1, 0);
    m_txtOutput = MakeEdit(this, QStringLiteral("txtOutput"), {}, {}, 90);
    m_txtOutput->setReadOnly(true);
    readings->addWidget(m_txtOutput, 1, 1);
    readings->addWidget(tlv::MakeLabel(this, {}, QStringLiteral("Volts")), 1, 2);
    readings->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cmdFSwitch = AddCommandButtons(this, buttons, {kOkTip, kCancelTip, kUpdateTip});

    auto* frames = new QHBoxLayout;
    frames->addWidget(fraInputs);
    frames->addWidget(fraScale);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(frames);
    layout->addLayout(readings);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void frmRecorder::FitToCards()
{
    cTLV880a& tlv = m_core.Instrument();
    const int sensors = ShownSensorCount(tlv);
    for (int s = 0; s < kConfiguredSensors; ++s)
        m_optInput[static_cast<size_t>(s)]->setVisible(s < sensors);
    const bool analog = HasAnalogBoard(tlv);
    m_lblInput[0]->setVisible(analog);
    for (int a = 0; a < kAnalogInputs; ++a) {
        const int option = kFirstAnalogOption + a;
        m_optInput[static_cast<size_t>(option)]->setVisible(analog);
    }
    for (int j : kShownOutputs) {
        const int option = tlv880::IsAnalogOutput(j)
                               ? kAnalogOutputOption + tlv880::AnalogOutputOfSlot(j)
                               : kFirstOutputOption + j;
        QRadioButton* button = m_optInput[static_cast<size_t>(option)];
        button->setText(m_core.Tables().Output(j).Name.trimmed());
        button->setVisible(m_core.IsPresentOutput(j));
    }
}

int frmRecorder::InputOption(int input)
{
    if (const int analog = InputAnalog(input); analog >= 0) return kFirstAnalogOption + analog;
    if (const int output = InputOutput(input); output >= 0)
        return IsShownOutput(output) ? kFirstOutputOption + output : -1;
    for (int s = 0; s < kConfiguredSensors; ++s)
        if (InputHasSensor(input, s)) return s;
    return -1;
}

int frmRecorder::InputOfOption(int option)
{
    switch (KindOf(option)) {
    case InputKind::Sensor:
        return WithSensor(0, option, true);
    case InputKind::Analog:
        return WithAnalog(0, option - kFirstAnalogOption);
    case InputKind::Output:
        return WithOutput(0, OutputOfOption(option));
    case InputKind::None:
        break;
    }
    return 0;
}

bool frmRecorder::ScaleAllowed(int option, int scale)
{
    switch (KindOf(option)) {
    case InputKind::Sensor:
        return scale >= 0 && scale <= 3;
    case InputKind::Analog:
        return scale == 6 || scale == 7;
    case InputKind::Output:
        return scale >= 0 && scale <= 5;
    case InputKind::None:
        break;
    }
    return true;
}

void frmRecorder::OnInputChosen(int option)
{
    for (int i = 0; i < kScales; ++i)
        m_optScale[static_cast<size_t>(i)]->setEnabled(ScaleAllowed(option, i));
    // A scale that gives no value for this kind of input would send 0 % for ever: move to the
    // first scale of the kind instead.
    if (!ScaleAllowed(option, SelectedScale()))
        for (int i = 0; i < kScales; ++i)
            if (ScaleAllowed(option, i)) {
                m_optScale[static_cast<size_t>(i)]->setChecked(true);
                break;
            }
}

int frmRecorder::SelectedInput() const
{
    return m_inputGroup->checkedId();
}

int frmRecorder::SelectedScale() const
{
    return m_scaleGroup->checkedId();
}

bool frmRecorder::setOutNum(short out)
{
    if (!IsShownOutput(out)) return false;
    if (m_outNum >= 0 && isVisible()) {
        if (out == m_outNum) return true; // already showing it: keep the operator's unsaved choice
        if (Changed() && tlv::AskSaveChanges(this) && !Apply()) return false;
    }
    m_outNum = out;
    const QString caption = frmFilm::OutputCaption(out);
    setWindowTitle(QStringLiteral("Recorder: ") + caption);
    Fill();
    return true;
}

void frmRecorder::Fill()
{
    const OutputRecord& record = m_core.Tables().Output(m_outNum);
    const int option = InputOption(record.Input);
    if (option >= 0) {
        m_optInput[static_cast<size_t>(option)]->setChecked(true);
    } else if (QAbstractButton* checked = m_inputGroup->checkedButton()) {
        m_inputGroup->setExclusive(false); // no input yet: no option selected
        checked->setChecked(false);
        m_inputGroup->setExclusive(true);
    }
    for (int i = 0; i < kScales; ++i)
        m_optScale[static_cast<size_t>(i)]->setEnabled(ScaleAllowed(option, i));
    if (record.RecScale >= 0 && record.RecScale < kScales)
        m_optScale[static_cast<size_t>(record.RecScale)]->setChecked(true);
    m_txtInput->clear();
    m_txtOutput->clear();
    m_lblInputRdg->clear();
}

bool frmRecorder::Changed() const
{
    if (m_outNum < 0) return false;
    const OutputRecord& record = m_core.Tables().Output(m_outNum);
    const int option = SelectedInput();
    if (option >= 0 && option != InputOption(record.Input)) return true;
    const int scale = SelectedScale();
    return scale >= 0 && scale != record.RecScale;
}

bool frmRecorder::Apply()
{
    if (m_outNum < 0) return false;
    const int option = SelectedInput();
    RecorderEdit edit;
    edit.input = option >= 0 ? InputOfOption(option) : m_core.Tables().Output(m_outNum).Input;
    if (const int scale = SelectedScale(); scale >= 0) edit.scale = static_cast<short>(scale);
    // A card that keeps an input of the former loop leaves the editor open, the record as it was.
    return m_core.EditRecorder(m_outNum, edit).ok();
}

void frmRecorder::OnReading(const SensorArray& sensors, const OutputArray& outputs, double)
{
    if (m_outNum < 0) return;
    const OutputRecord& record = m_core.Tables().Output(m_outNum);
    const double power = outputs[static_cast<size_t>(m_outNum)][2];
    m_txtOutput->setText(tlv::Format(power / 100.0 * record.FullScale, QStringLiteral("#0.0")));

    const int option = SelectedInput();
    const int scale = SelectedScale();
    const std::array<double, 4>* source = nullptr;
    bool hasPower = false;
    if (KindOf(option) == InputKind::Sensor) {
        source = &sensors[static_cast<size_t>(option)];
    } else if (KindOf(option) == InputKind::Output) {
        const int k = OutputOfOption(option);
        if (InputAnalog(m_core.Tables().Output(k).Input) >= 0) return; // shown by the analog event
        source = &outputs[static_cast<size_t>(k)];
        hasPower = true;
    }
    if (!source) return;
    if (scale == 0 || scale == 1) {
        m_lblInputRdg->setText(QStringLiteral("Rate(A)"));
        m_txtInput->setText(tlv::Format((*source)[0], QStringLiteral("#.00")));
    } else if (scale == 2 || scale == 3) {
        m_lblInputRdg->setText(QStringLiteral("Thick(kA)"));
        m_txtInput->setText(tlv::FormatThickness((*source)[1]));
    } else if (hasPower && (scale == 4 || scale == 5)) {
        m_lblInputRdg->setText(QStringLiteral("Power(%)"));
        m_txtInput->setText(tlv::Format((*source)[2], QStringLiteral("#.0")));
    }
}

void frmRecorder::OnAnalog(const AnalogArray& analog, double)
{
    const int option = SelectedInput();
    const int scale = SelectedScale();
    if (m_outNum < 0 || (scale != 6 && scale != 7)) return;
    int input = -1;
    if (KindOf(option) == InputKind::Analog)
        input = option - kFirstAnalogOption;
    else if (KindOf(option) == InputKind::Output)
        input = InputAnalog(m_core.Tables().Output(OutputOfOption(option)).Input);
    if (input < 0) return;
    m_lblInputRdg->setText(QStringLiteral("Volts"));
    m_txtInput->setText(tlv::Format(analog[static_cast<size_t>(input)], QStringLiteral("#.000")));
}

} // namespace coflux
