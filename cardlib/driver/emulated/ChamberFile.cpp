#include "ChamberFile.h"

#include "NumberText.h"

#include <fstream>
#include <sstream>

namespace tlv880::bus::emu {

namespace {

constexpr int kOutputs = 12;
constexpr int kSensors = 24;
constexpr double kMaxDeadTime = 60; // s: bounds the delay line allocated per source
constexpr size_t kMaxFileSize = 1 << 20;

struct Entry {
    std::string key; // lower case
    std::string value;
    int line = 0;
};

struct Section {
    std::string title; // as written, without brackets
    std::string kind;  // "chamber", "source", "crystal" (lower case)
    std::string name;  // the NAME of [Source NAME] / [Crystal NAME]
    int line = 0;
    std::vector<Entry> entries;
};

class Problem {
public:
    explicit Problem(std::string path) : path_(std::move(path)) {}

    bool at(const Section& section, const Entry& entry, const std::string& what)
    {
        text_ = "TLV880_EMU_CHAMBER \"" + path_ + "\" line " + std::to_string(entry.line) +
                ": section [" + section.title + "], key \"" + entry.key + "\": " + what +
                " (got \"" + entry.value + "\")";
        return false;
    }
    bool missing(const Section& section, const std::string& key, const std::string& what)
    {
        text_ = "TLV880_EMU_CHAMBER \"" + path_ + "\" line " + std::to_string(section.line) +
                ": section [" + section.title + "], key \"" + key + "\": " + what;
        return false;
    }
    bool line(int number, const std::string& what)
    {
        text_ = "TLV880_EMU_CHAMBER \"" + path_ + "\" line " + std::to_string(number) + ": " + what;
        return false;
    }
    const std::string& text() const { return text_; }

private:
    std::string path_;
    std::string text_;
};

// The text before a comment (';' or '#'), trimmed.
std::string withoutComment(const std::string& line)
{
    return Trimmed(line.substr(0, line.find_first_of(";#")));
}

bool splitSections(const std::string& text, std::vector<Section>* sections, Problem& problem)
{
    // A byte-order mark, as Windows editors write one, is no part of the first line.
    const bool marked = text.rfind("\xEF\xBB\xBF", 0) == 0;
    std::istringstream in(marked ? text.substr(3) : text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const std::string line = withoutComment(raw);
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3)
                return problem.line(number, "\"" + line + "\" is not a section header [NAME]");
            Section section;
            section.title = Trimmed(line.substr(1, line.size() - 2));
            section.line = number;
            const size_t blank = section.title.find_first_of(" \t");
            section.kind = Lower(section.title.substr(0, blank));
            section.name = blank == std::string::npos ? "" : Trimmed(section.title.substr(blank));
            if (section.kind == "chamber"
                    ? !section.name.empty()
                    : (section.kind != "source" && section.kind != "crystal") ||
                          section.name.empty())
                return problem.line(number,
                                    "section [" + section.title +
                                        "] is not [Chamber], [Source NAME] or [Crystal NAME]");
            for (const Section& earlier : *sections) {
                if (Lower(earlier.title) == Lower(section.title))
                    return problem.line(number, "section [" + section.title + "] given twice");
            }
            sections->push_back(std::move(section));
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            return problem.line(number, "\"" + line + "\" is not key=value");
        if (sections->empty())
            return problem.line(number, "\"" + line + "\" comes before any section");
        Entry entry{Lower(Trimmed(line.substr(0, equals))), Trimmed(line.substr(equals + 1)),
                    number};
        Section& section = sections->back();
        for (const Entry& earlier : section.entries) {
            if (earlier.key == entry.key)
                return problem.at(section, entry, "key given twice in the section");
        }
        section.entries.push_back(std::move(entry));
    }
    return true;
}

// A number key: its member, the factor from the file's unit to the model's, and its range.
template <typename Parameters> struct NumberKey {
    const char* key;
    double Parameters::*member;
    double factor;
    double minimum;
    bool minimumExcluded;
    double maximum; // inclusive
    const char* meaning;
};

constexpr double kNoLimit = 1e300;

const NumberKey<SourceParameters> kSourceKeys[] = {
    {"maxrate", &SourceParameters::maxRate, 1, 0, false, kNoLimit, "a rate in A/s, 0 or more"},
    {"threshold", &SourceParameters::threshold, 0.01, 0, false, 99.999,
     "a power in % of full power, 0 to below 100"},
    {"exponent", &SourceParameters::exponent, 1, 0, true, 10, "a number above 0 up to 10"},
    {"lag", &SourceParameters::lag, 1, 0, false, 3600, "a time constant in s, 0..3600"},
    {"deadtime", &SourceParameters::deadTime, 1, 0, false, kMaxDeadTime, "a time in s, 0..60"},
    {"noise", &SourceParameters::noise, 0.01, 0, false, 100, "a share of the rate in %, 0..100"},
    {"noisetime", &SourceParameters::noiseTime, 1, 0, false, 3600, "a time in s, 0..3600"},
    {"sweep", &SourceParameters::sweep, 0.01, 0, false, 100, "a share of the rate in %, 0..100"},
    {"sweephz", &SourceParameters::sweepHz, 1, 0, false, 1000, "a frequency in Hz, 0..1000"},
    {"spits", &SourceParameters::spitsPerMinute, 1, 0, false, 6000,
     "a number of spits per minute, 0..6000"},
    {"spit", &SourceParameters::spitSize, 1, 0, false, kNoLimit, "a thickness in A, 0 or more"},
    {"spittime", &SourceParameters::spitTime, 1, 0, true, 60, "a time in s above 0 up to 60"},
    {"density", &SourceParameters::density, 1, 0, true, kNoLimit, "a density in g/cm3 above 0"},
};

const NumberKey<CrystalParameters> kCrystalKeys[] = {
    {"frequency", &CrystalParameters::fresh, 1, 0, true, kNoLimit, "a frequency in Hz above 0"},
    {"zratio", &CrystalParameters::zRatio, 1, 0, true, kNoLimit, "a Z-ratio above 0"},
    {"fail", &CrystalParameters::fail, 1, 0, false, kNoLimit, "a frequency in Hz, 0 or more"},
    {"weak", &CrystalParameters::weakBand, 1, 0, false, kNoLimit, "a band in Hz, 0 or more"},
    {"jitter", &CrystalParameters::jitter, 1, 0, false, kNoLimit, "a frequency in Hz, 0 or more"},
    {"dropout", &CrystalParameters::dropout, 0.01, 0, false, 100, "a share in %, 0..100"},
    {"modehop", &CrystalParameters::modeHop, 1, -kNoLimit, false, kNoLimit,
     "a frequency step in Hz"},
    {"hoptime", &CrystalParameters::hopTime, 1, 0, false, 3600, "a time in s, 0..3600"},
};

template <typename Parameters, size_t N>
int applyNumber(const NumberKey<Parameters> (&keys)[N], const Entry& entry, Parameters& parameters,
                std::string* what)
{
    for (const NumberKey<Parameters>& key : keys) {
        if (entry.key != key.key) continue;
        double value = 0;
        if (!ParseNumberText(entry.value, &value) || value < key.minimum ||
            (key.minimumExcluded && value == key.minimum) || value > key.maximum) {
            *what = std::string(key.key) + " must be " + key.meaning;
            return -1;
        }
        parameters.*key.member = value * key.factor;
        return 1;
    }
    return 0;
}

bool parseIndex(const std::string& text, int count, int* index)
{
    uint64_t value = 0;
    if (!ParseUnsignedText(text, 10, static_cast<uint64_t>(count - 1), &value)) return false;
    *index = static_cast<int>(value);
    return true;
}

bool readSource(const Section& section, SourceSetup* source, Problem& problem)
{
    source->name = section.name;
    // The preset first, whatever its place in the section; the other keys override it.
    for (const Entry& entry : section.entries) {
        if (entry.key == "preset" && !SourcePreset(entry.value, &source->parameters))
            return problem.at(section, entry,
                              std::string("preset must be one of ") + SourcePresetNames());
    }
    for (const Entry& entry : section.entries) {
        if (entry.key == "preset") continue;
        if (entry.key == "output") {
            if (!parseIndex(entry.value, kOutputs, &source->output))
                return problem.at(section, entry, "output must be an output number 0..11");
            continue;
        }
        std::string what;
        const int applied = applyNumber(kSourceKeys, entry, source->parameters, &what);
        if (applied < 0) return problem.at(section, entry, what);
        if (applied == 0) return problem.at(section, entry, "unknown key of a source");
    }
    if (source->output < 0)
        return problem.missing(section, "output", "missing: a source names its output 0..11");
    return true;
}

bool readFeeds(const Section& section, const Entry& entry, const ChamberSetup& chamber,
               CrystalSetup* crystal, Problem& problem)
{
    const std::string expected = "feed must be a list of SOURCE or SOURCE:tooling (tooling above "
                                 "0), separated by commas, naming sources of the file";
    for (const std::string& raw : SplitText(entry.value, ',')) {
        const std::string item = Trimmed(raw);
        const size_t colon = item.find(':');
        const std::string name = Trimmed(item.substr(0, colon));
        Feed feed;
        if (colon != std::string::npos &&
            (!ParseNumberText(item.substr(colon + 1), &feed.tooling) || feed.tooling <= 0))
            return problem.at(section, entry, expected);
        feed.source = -1;
        for (size_t s = 0; s < chamber.sources.size(); ++s) {
            if (Lower(chamber.sources[s].name) == Lower(name)) feed.source = static_cast<int>(s);
        }
        if (feed.source < 0) return problem.at(section, entry, expected);
        for (const Feed& earlier : crystal->feeds) {
            if (earlier.source == feed.source)
                return problem.at(section, entry, "feed names source " + name + " twice");
        }
        crystal->feeds.push_back(feed);
    }
    return true;
}

bool readCrystal(const Section& section, const ChamberSetup& chamber, CrystalSetup* crystal,
                 Problem& problem)
{
    crystal->name = section.name;
    for (const Entry& entry : section.entries) {
        if (entry.key == "sensor") {
            if (!parseIndex(entry.value, kSensors, &crystal->sensor))
                return problem.at(section, entry, "sensor must be a sensor number 0..23");
        } else if (entry.key == "feed") {
            if (!readFeeds(section, entry, chamber, crystal, problem)) return false;
        } else {
            std::string what;
            const int applied = applyNumber(kCrystalKeys, entry, crystal->parameters, &what);
            if (applied < 0) return problem.at(section, entry, what);
            if (applied == 0) return problem.at(section, entry, "unknown key of a crystal");
        }
    }
    if (crystal->sensor < 0)
        return problem.missing(section, "sensor", "missing: a crystal names its sensor 0..23");
    const CrystalParameters& p = crystal->parameters;
    if (p.fresh > 0 && p.fail >= p.fresh)
        return problem.missing(section, "fail", "the end of life must lie below the frequency");
    return true;
}

} // namespace

bool ParseChamber(const std::string& text, const std::string& path, ChamberSetup* chamber,
                  std::string* error)
{
    Problem problem(path);
    std::vector<Section> sections;
    ChamberSetup result;
    bool ok = splitSections(text, &sections, problem);
    // Sources first, so a crystal may name a source written below it.
    for (size_t i = 0; ok && i < sections.size(); ++i) {
        const Section& section = sections[i];
        if (section.kind == "chamber") {
            for (const Entry& entry : section.entries) {
                if (entry.key != "seed") {
                    ok = problem.at(section, entry, "unknown key of the chamber");
                    break;
                }
                if (!ParseUnsignedText(entry.value, 10, UINT64_MAX, &result.seed)) {
                    ok =
                        problem.at(section, entry, "seed must be a decimal whole number 0 or more");
                    break;
                }
                result.seeded = true;
            }
        } else if (section.kind == "source") {
            SourceSetup source;
            ok = readSource(section, &source, problem);
            for (const SourceSetup& earlier : result.sources) {
                if (ok && earlier.output == source.output)
                    ok = problem.missing(section, "output",
                                         "output " + std::to_string(source.output) +
                                             " already has source " + earlier.name);
            }
            if (ok) result.sources.push_back(std::move(source));
        }
    }
    for (size_t i = 0; ok && i < sections.size(); ++i) {
        const Section& section = sections[i];
        if (section.kind != "crystal") continue;
        CrystalSetup crystal;
        ok = readCrystal(section, result, &crystal, problem);
        for (const CrystalSetup& earlier : result.crystals) {
            if (ok && earlier.sensor == crystal.sensor)
                ok = problem.missing(section, "sensor",
                                     "sensor " + std::to_string(crystal.sensor) +
                                         " already has crystal " + earlier.name);
        }
        if (ok) result.crystals.push_back(std::move(crystal));
    }
    if (!ok) {
        *error = problem.text();
        return false;
    }
    *chamber = std::move(result);
    return true;
}

bool ReadChamberFile(const std::string& path, ChamberSetup* chamber, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "TLV880_EMU_CHAMBER: cannot read \"" + path + "\"";
        return false;
    }
    std::string text;
    char buffer[4096];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxFileSize) {
            *error = "TLV880_EMU_CHAMBER \"" + path + "\": larger than 1 MB, not a chamber file";
            return false;
        }
    }
    if (text.find('\0') != std::string::npos) {
        *error = "TLV880_EMU_CHAMBER \"" + path + "\": binary content, not a chamber file";
        return false;
    }
    return ParseChamber(text, path, chamber, error);
}

bool CheckChamberFitsCards(const ChamberSetup& chamber, const std::vector<CardSetup>& cards,
                           const std::string& path, std::string* error)
{
    const int cardCount = static_cast<int>(cards.size());
    // What a section names lies on card `card`; false with the message when that card is missing.
    auto onCard = [&](const std::string& section, const char* key, int number, int card) {
        if (card < cardCount) return true;
        *error = "TLV880_EMU_CHAMBER \"" + path + "\": section [" + section + "], key \"" + key +
                 "\": " + key + " " + std::to_string(number) + " is on card " +
                 std::to_string(card) + ", but TLV880_EMU_CARDS has " + std::to_string(cardCount) +
                 " card(s)";
        return false;
    };
    for (const SourceSetup& source : chamber.sources) {
        if (!onCard("Source " + source.name, "output", source.output, source.output / 2))
            return false;
    }
    for (const CrystalSetup& crystal : chamber.crystals) {
        if (!onCard("Crystal " + crystal.name, "sensor", crystal.sensor, crystal.sensor / 4))
            return false;
        const double fresh =
            cards[static_cast<size_t>(crystal.sensor / 4)].frequency[crystal.sensor % 4];
        if (crystal.parameters.fresh <= 0 && crystal.parameters.fail > 0 &&
            crystal.parameters.fail >= fresh) {
            *error = "TLV880_EMU_CHAMBER \"" + path + "\": section [Crystal " + crystal.name +
                     "], key \"fail\": the end of life must lie below the crystal's frequency (" +
                     std::to_string(static_cast<long long>(fresh)) + " Hz from TLV880_EMU_CARDS)";
            return false;
        }
    }
    return true;
}

} // namespace tlv880::bus::emu
