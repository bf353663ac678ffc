// The chamber file (TLV880_EMU_CHAMBER): the sources behind the emulated cards' outputs and the
// crystals they coat. INI format: one [Chamber] section, a [Source NAME] section per source, a
// [Crystal NAME] section per crystal (section and key names are case-insensitive; a ';' or '#'
// starts a comment). Parsing is strict: a malformed file is reported with the file, the section
// and the key, and the emulated bus then refuses to open.
#pragma once

#include "CrystalModel.h"
#include "EmuConfig.h"
#include "SourceModel.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tlv880::bus::emu {

struct SourceSetup {
    std::string name;
    int output = -1; // 0..11: output 2k + m is half m of card k
    SourceParameters parameters;
};

struct Feed {
    int source = 0;     // index into ChamberSetup::sources
    double tooling = 1; // film on the crystal per film at the reference position
};

struct CrystalSetup {
    std::string name;
    int sensor = -1; // 0..23: channel sensor mod 4 of card sensor / 4
    CrystalParameters parameters;
    std::vector<Feed> feeds;
};

struct ChamberSetup {
    bool seeded = false;
    uint64_t seed = 0;
    std::vector<SourceSetup> sources;
    std::vector<CrystalSetup> crystals;
};

// Parses a chamber file's text; path only names it in messages. On failure returns false and
// sets error to a message naming the file, the line, the section and the key.
bool ParseChamber(const std::string& text, const std::string& path, ChamberSetup* chamber,
                  std::string* error);

// Reads and parses a chamber file; a file that cannot be read is an error naming it.
bool ReadChamberFile(const std::string& path, ChamberSetup* chamber, std::string* error);

// Checks a parsed chamber against the cards it sits behind: every output and sensor it names
// must exist, and a crystal that takes its card's frequency must start above its end of life.
// Returns false and sets error (naming the file, the section and the key) otherwise.
bool CheckChamberFitsCards(const ChamberSetup& chamber, const std::vector<CardSetup>& cards,
                           const std::string& path, std::string* error);

} // namespace tlv880::bus::emu
