#include "frmReadings.h"

#include "Deposition.h"
#include "frmFilmCardLayout.h"

#include "common/FormUtil.h"
#include "common/NumberFormat.h"
#include "instrument/CrystalForecastText.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace coflux {

namespace {

const QString kGridTip = QStringLiteral("Readings from the TLV-770 card.");

// The forecast columns follow the control column: what the crystal can still take, and when.
enum SensorColumn { ColRate, ColThick, ColFreq, ColLife, ColSensorControl, ColLeft, ColTimeLeft };
enum AnalogColumn { ColUnits, ColVolts, ColAnalogControl };

// Sets the grid's height to show every row without scrolling; the window follows.
void FitGridHeight(QTableWidget* grid)
{
    int height = grid->horizontalHeader()->sizeHint().height() + 2 * grid->frameWidth();
    for (int row = 0; row < grid->rowCount(); ++row)
        height += grid->rowHeight(row);
    grid->setFixedHeight(height);
}

// Sets the grid's width to its columns and row heads.
void FitGridWidth(QTableWidget* grid)
{
    grid->resizeColumnsToContents();
    int width = grid->verticalHeader()->sizeHint().width() + 2 * grid->frameWidth();
    for (int column = 0; column < grid->columnCount(); ++column)
        width += grid->columnWidth(column);
    grid->setFixedWidth(width);
}

QTableWidget* MakeGrid(QWidget* parent, const QString& name, const QString& rowHead, int rows,
                       const QStringList& columns, const QStringList& sampleTexts)
{
    auto* grid = new QTableWidget(rows, static_cast<int>(columns.size()), parent);
    grid->setObjectName(name);
    grid->setToolTip(kGridTip);
    grid->setHorizontalHeaderLabels(columns);
    QStringList heads;
    for (int row = 0; row < rows; ++row)
        heads << rowHead + QString::number(row + 1);
    grid->setVerticalHeaderLabels(heads);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionMode(QAbstractItemView::NoSelection);
    grid->setFocusPolicy(Qt::NoFocus);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < grid->columnCount(); ++column) {
            auto* item = new QTableWidgetItem(sampleTexts.value(column));
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grid->setItem(row, column, item);
        }
    FitGridWidth(grid); // wide enough for typical values, then emptied until the first reading
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < grid->columnCount(); ++column)
            grid->item(row, column)->setText(QString());
    FitGridHeight(grid);
    return grid;
}

} // namespace

frmReadings::frmReadings(Deposition& core, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), m_core(core)
{
    setObjectName(QStringLiteral("frmReadings"));
    setWindowTitle(QStringLiteral("Input Readings"));
    setAttribute(Qt::WA_DeleteOnClose);
    BuildGrids();
    ::RestoreFormPosition(this, true);

    cTLV880a& tlv = m_core.Instrument();
    connect(&tlv, &cTLV880a::TLVReading, this, &frmReadings::OnReading);
    connect(&tlv, &cTLV880a::TLVAnalog, this, &frmReadings::OnAnalog);
}

void frmReadings::BuildGrids()
{
    cTLV880a& tlv = m_core.Instrument();
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize); // the window follows the grids' size

    m_grdReading = MakeGrid(
        this, QStringLiteral("grdReading"), QStringLiteral("Sensor "), ShownSensorCount(tlv),
        {QStringLiteral("Rate (A/s) "), QStringLiteral("Thick (kA) "),
         QStringLiteral("Freq. (Hz) "), QStringLiteral("Life (%)"), QStringLiteral("Control"),
         QStringLiteral("Left (kA)"), QStringLiteral("Time left")},
        {QStringLiteral("999.99"), QStringLiteral("999.9"), QStringLiteral("5999999.9"),
         QStringLiteral("100.0"), QStringLiteral("Output 12345"), QStringLiteral("9999.99"),
         QStringLiteral("99:59:59")});
    layout->addWidget(m_grdReading);

    m_grdAnalog = MakeGrid(
        this, QStringLiteral("grdAnalog"), QStringLiteral("Analog "), kAnalogInputs,
        {QStringLiteral("Units"), QStringLiteral("Volts"), QStringLiteral("Control")},
        {QStringLiteral("9999.99"), QStringLiteral("-10.000"), QStringLiteral("Output 12345")});
    layout->addWidget(m_grdAnalog);
    m_grdAnalog->setVisible(HasAnalogBoard(tlv));
}

QString frmReadings::LifeText(double f, double initFreq, double minFreq)
{
    const double window = initFreq - minFreq;
    if (f < 1 || window == 0) return QStringLiteral("?");
    return tlv::Format(100.0 - 100.0 * (initFreq - f) / window, QStringLiteral("#.0"));
}

void frmReadings::SetCell(QTableWidget* grid, int row, int column, const QString& text)
{
    if (QTableWidgetItem* item = grid->item(row, column); item && item->text() != text)
        item->setText(text);
}

QString frmReadings::SensorControl(int sensor) const
{
    cTLV880a& tlv = m_core.Instrument();
    const int loop = tlv.SensorLoop(static_cast<short>(sensor));
    if (loop >= 0 && loop < kOutputSlots) return m_core.Tables().Output(loop).Name.trimmed();
    return m_core.Tables().Sensor(sensor).Monitor != 0 ? QStringLiteral("Monitor")
                                                       : QStringLiteral("None");
}

QString frmReadings::AnalogControl(int input) const
{
    cTLV880a& tlv = m_core.Instrument();
    const int loop = tlv.AnalogLoop(static_cast<short>(input));
    if (loop >= 0 && loop < kOutputSlots) return m_core.Tables().Output(loop).Name.trimmed();
    return m_core.Tables().Analog(input).Monitor != 0 ? QStringLiteral("Monitor")
                                                      : QStringLiteral("None");
}

void frmReadings::OnReading(const SensorArray& sensors, const OutputArray& /*outputs*/,
                            double /*time*/)
{
    if (m_busy) return;
    m_busy = true;
    cTLV880a& tlv = m_core.Instrument();
    const double initFreq = tlv.SensorInitFreq();
    const double minFreq = tlv.SensorMinFreq();
    for (int s = 0; s < m_grdReading->rowCount(); ++s) {
        const auto& reading = sensors[static_cast<size_t>(s)];
        const double f = reading[2];
        SetCell(m_grdReading, s, ColRate, tlv::Format(reading[0], QStringLiteral("#.00")));
        SetCell(m_grdReading, s, ColThick, tlv::FormatThickness(reading[1]));
        SetCell(m_grdReading, s, ColFreq,
                f < 1 ? QStringLiteral("Fail") : tlv::Format(f, QStringLiteral("#.0")));
        SetCell(m_grdReading, s, ColLife, LifeText(f, initFreq, minFreq));
        SetCell(m_grdReading, s, ColSensorControl, SensorControl(s));
        const auto forecast = tlv.SensorForecast(static_cast<short>(s), f, reading[0]);
        SetCell(m_grdReading, s, ColLeft, tlv::ThicknessLeftText(forecast));
        SetCell(m_grdReading, s, ColTimeLeft, tlv::TimeLeftText(forecast));
    }
    m_busy = false;
}

void frmReadings::OnAnalog(const AnalogArray& analog, double /*time*/)
{
    if (m_grdAnalog->isHidden()) return;
    for (int a = 0; a < kAnalogInputs; ++a) {
        const double volts = analog[static_cast<size_t>(a)];
        SetCell(m_grdAnalog, a, ColUnits,
                tlv::FormatRate(ScaleAnalog(m_core.Tables().Analog(a), volts)));
        SetCell(m_grdAnalog, a, ColVolts, tlv::Format(volts, QStringLiteral("#.000")));
        SetCell(m_grdAnalog, a, ColAnalogControl, AnalogControl(a));
    }
}

void frmReadings::closeEvent(QCloseEvent* event)
{
    ::SaveFormPosition(this);
    event->accept();
}

} // namespace coflux
