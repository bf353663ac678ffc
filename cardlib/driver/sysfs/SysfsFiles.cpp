#include "SysfsFiles.h"

#include "../TextUtil.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tlv880::bus::sysfs {

namespace {

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Value of a hex digit (the caller has checked it is one).
uint32_t hexValue(char c)
{
    return c <= '9' ? uint32_t(c - '0') : uint32_t((c | 0x20) - 'a' + 10);
}

// Hex number with optional 0x prefix filling the whole token; at most 16 digits.
std::optional<uint64_t> parseHexToken(const std::string& token)
{
    std::string digits = token;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 16) return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        if (!isHexDigit(c)) return std::nullopt;
        value = value * 16 + hexValue(c);
    }
    return value;
}

std::optional<uint32_t> parseFixedHex(const std::string& text, size_t pos, size_t width)
{
    if (pos + width > text.size()) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = pos; i < pos + width; ++i) {
        const char c = text[i];
        if (!isHexDigit(c)) return std::nullopt;
        value = value * 16 + hexValue(c);
    }
    return value;
}

} // namespace

int OpenRegularFile(const std::string& path, int flags)
{
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> ReadSmallFile(const std::string& path, size_t maxBytes)
{
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) return std::nullopt;
    std::string content(maxBytes + 1, '\0');
    size_t got = 0;
    while (got < content.size()) {
        const ssize_t n = ::read(fd, content.data() + got, content.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got > maxBytes) return std::nullopt;
    content.resize(got);
    return content;
}

std::optional<uint16_t> ParseIdWord(const std::string& text)
{
    const std::string token = Trimmed(text);
    if (token.size() < 3 || token[0] != '0' || (token[1] != 'x' && token[1] != 'X'))
        return std::nullopt;
    const auto value = parseHexToken(token);
    if (!value || *value > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(*value);
}

std::optional<PciSlot> ParseSlotName(const std::string& name)
{
    // DDDD:BB:SS.F
    if (name.size() != 12 || name[4] != ':' || name[7] != ':' || name[10] != '.')
        return std::nullopt;
    const auto domain = parseFixedHex(name, 0, 4);
    const auto bus = parseFixedHex(name, 5, 2);
    const auto slot = parseFixedHex(name, 8, 2);
    const auto function = parseFixedHex(name, 11, 1);
    if (!domain || !bus || !slot || !function || *slot > 0x1F || *function > 7) return std::nullopt;
    return PciSlot{*domain, *bus, *slot, *function};
}

std::string SlotName(const PciSlot& slot)
{
    char name[32];
    std::snprintf(name, sizeof name, "%04x:%02x:%02x.%x", slot.domain & 0xFFFFu, slot.bus & 0xFFu,
                  slot.slot & 0x1Fu, slot.function & 7u);
    return name;
}

bool ParseResourceTable(const std::string& text, ResourceList* list)
{
    ResourceList result;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (number < kAddressLines && std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string startText, endText, flagsText, extra;
        if (!(fields >> startText >> endText >> flagsText) || (fields >> extra)) return false;
        const auto start = parseHexToken(startText);
        const auto end = parseHexToken(endText);
        const auto flags = parseHexToken(flagsText);
        if (!start || !end || !flags) return false;
        const int index = number++;
        if (*start == 0 && *end == 0) continue; // unused BAR
        if (*end < *start || *end - *start == UINT64_MAX) return false;
        ResourceKind kind;
        if (*flags & kFlagIo)
            kind = ResourceKind::Io;
        else if (*flags & kFlagMemory)
            kind = ResourceKind::Memory;
        else
            continue; // neither I/O nor memory: nothing a card register lives in
        if (result.count == kMaxResources) return false;
        result.items[result.count++] = Resource{kind, *start, *end - *start + 1, index};
    }
    if (number == 0) return false;
    *list = result;
    return true;
}

} // namespace tlv880::bus::sysfs
