// Start-up, shutdown, simulate-mode switching and period programming, shared by the exports.
#pragma once

#include "Engine.h"

namespace tlv880 {

// Firmware version from register 0x10: the high half, 0 outside 200..500.
int32_t FirmwareVersion(uint32_t firmwareRegister);

// Programs the period: in simulate mode only the acquisition wake interval; otherwise the period
// and gate complements into every card, and the initialised flag.
void ProgramPeriod(Engine& engine);

int32_t StartLibrary(Engine& engine, int32_t* info);
int32_t ShutDownLibrary(Engine& engine);
int32_t StartMeasurement(Engine& engine);
int32_t SwitchSimulation(Engine& engine, int32_t mode);

} // namespace tlv880
