// Virtual TLV-880 cards behind the "emulated" card bus, and the hooks tests use to steer them.
//
// The environment describes the cards (read at the first use of the bus, and again after
// ResetEmulatedBus()):
//   TLV880_EMU_CARDS    cards in scan order, ';'-separated; each a ','-separated list of
//                       key=value (keys are case-insensitive, each at most once per card):
//                         id     hex identity: 1E master with analog section, 1F master, 0F slave
//                                (default 1F for the first card, 0F for the others)
//                         fw     firmware version, decimal (default 300)
//                         f      starting crystal frequency of all four channels, Hz
//                                (default 5950000; 0 = no crystal)
//                         f0..f3 starting frequency of one channel, Hz (overrides f)
//                         clock  reference clock, Hz (default 199065600 for firmware 202..500,
//                                else 153000000)
//                         panel  hex, low 16 bits of register 0x10: switch lines and knob counter
//                                (default 7F00 = nothing pressed)
//                         ain    four input voltages v0/v1/v2/v3 (default 0/0/0/0)
//                         fail   a fault the card shows: resources (resource query fails), open
//                                (registration fails), bar (no base address register matches),
//                                io (every register transfer fails), none
//                       Empty or unset: no card. At most 32 cards.
//   TLV880_EMU_VERSION  driver version reported (decimal, default 521)
//   TLV880_EMU_TRACE    file to which every register write is appended as one line
//                       "card offset value", e.g. "1 0x08 0xC003E002": card in decimal scan
//                       order from 0, offset as 0x and two upper-case hex digits, value as 0x and
//                       eight upper-case hex digits. Each line is flushed as it is written.
//   TLV880_EMU_CHAMBER  a chamber file: the sources behind the cards' outputs and the crystals
//                       they coat (see emulated/ChamberFile.h and the README); without it the
//                       cards behave as described below
//   TLV880_EMU_CONTROL  a file of run-time commands to the chamber, appended while the programs
//                       run, e.g. "replace 0 1" (fresh crystal on channel 1 of card 0)
// A malformed description, a version that does not parse, a trace file that cannot be opened
// or a malformed chamber file makes the driver refuse to open; ConfigError() says why.
//
// Each card's registers sit in an I/O window of 0x40 ports (BAR0 with bit 0 set), so every
// access is a port transfer the card answers itself. Crystals lose kFallHzPerSecondAtFullPower
// Hz per second times the power fraction (|code| / 32760) of the output feeding them: output
// half 0 of register 0x08 (even output) feeds channels 0 and 1, half 1 (odd output) channels 2
// and 3. With a chamber file the chamber's sources and crystals take the place of this model
// for the outputs and channels it names; the other channels keep their frequency. Time runs on
// the steady clock unless a test switches to the manual clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tlv880::bus::emu {

// Frequency a crystal loses per second while the output feeding it drives full power. With a
// film of density 2.7 this is about 46 A/s at full power, so usual rate setpoints need a fraction
// of the power and a rate loop has room to settle.
constexpr double kFallHzPerSecondAtFullPower = 100.0;
// Time the analog converter needs for one input.
constexpr std::chrono::microseconds kConversionTime{2000};

// Forgets every card, handle and trace file; the next use re-reads the environment.
void ResetEmulatedBus();
// Why the emulated driver does not open (empty when it does).
std::string ConfigError();
int CardCount();

// Run-time changes to a card (card in scan order from 0; out-of-range cards are ignored).
void SetPanel(int card, uint16_t panel);
void SetAnalogInput(int card, int input, double volts);
// On a chamber crystal: a fresh crystal of that frequency (0: none) takes its place.
void SetCrystalFrequency(int card, int channel, double hz);
// Current crystal frequency of a channel (0 = no crystal; -1 for a card or channel that does
// not exist).
double CrystalFrequency(int card, int channel);
// A fresh crystal at its initial frequency in place of a chamber crystal (nothing without one).
void ReplaceCrystal(int card, int channel);
// Film a chamber source has laid down at its reference position, Angstrom; areal mass of the
// film on a chamber crystal, Angstrom x g/cm3 (thickness times density). -1 when there is no
// such source or crystal.
double SourceFilm(int output);
double CrystalMass(int card, int channel);
// Last value written to a register of a card (0 when never written or out of range).
uint32_t LastWrite(int card, uint32_t offset);

// Manual clock: from the call on, the cards' time stands still except when advanced.
void UseManualClock(bool manual);
void AdvanceClock(std::chrono::nanoseconds step);

} // namespace tlv880::bus::emu
