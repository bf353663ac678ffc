#pragma once
// The texts of a coater's row as the fleet window shows them, made without widgets so the
// rules of what a row says are checked without a window.

#include "Coater.h"

#include <QStringList>

namespace fleet {

enum Column {
    ColCoater,
    ColProgram,
    ColStatus,
    ColRun,
    ColRecipe,
    ColLayer,
    ColPhase,
    ColLastReading,
    ColAlarms,
    ColLife,
    ColReadings,
    ColumnCount
};

QStringList ColumnHeads();

// One text per column. Readings: per output "1: 5.01/5.00 Å/s 1.234 kÅ 41.5 %", or per sensor
// "S1: 5.01 Å/s 1.234 kÅ" for a program that publishes no outputs; thickness in kÅ as the
// programs show it. Outputs that are idle (no setpoint, nothing deposited, no rate, no power)
// are left out; "outputs idle" when all are. The last reading's time in local time, "(stale)" added
// once it is.
QStringList RowTexts(const Coater& coater);

} // namespace fleet
