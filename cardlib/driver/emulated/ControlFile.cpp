#include "ControlFile.h"

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tlv880::bus::emu {

namespace {

constexpr size_t kLineBuffer = 256;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Reads a decimal 0..max at text[*at], skipping blanks before it.
bool readIndex(const char* text, size_t length, size_t* at, int max, int* value)
{
    while (*at < length && isBlank(text[*at]))
        ++*at;
    const size_t first = *at;
    int number = 0;
    while (*at < length && text[*at] >= '0' && text[*at] <= '9' && *at - first < 4)
        number = number * 10 + (text[(*at)++] - '0');
    if (*at == first || number > max) return false;
    *value = number;
    return true;
}

} // namespace

bool ParseControlCommand(const char* line, size_t length, ControlCommand* command)
{
    size_t at = 0;
    while (at < length && isBlank(line[at]))
        ++at;
    static constexpr char kReplace[] = "replace";
    const size_t word = sizeof kReplace - 1;
    if (length - at < word || std::strncmp(line + at, kReplace, word) != 0) return false;
    at += word;
    if (at >= length || !isBlank(line[at])) return false;
    ControlCommand parsed;
    if (!readIndex(line, length, &at, 31, &parsed.card) ||
        !readIndex(line, length, &at, 3, &parsed.channel))
        return false;
    while (at < length && isBlank(line[at]))
        ++at;
    if (at != length) return false;
    *command = parsed;
    return true;
}

void ControlFile::Complain(const char* what, int card)
{
    std::fprintf(stderr, "TLV880_EMU_CONTROL: %s %d\n", what, card);
}

void ControlFile::open(const std::string& path, TimePoint now)
{
    path_ = path;
    offset_ = 0;
    nextPoll_ = now;
    struct stat status {};
    if (!path_.empty() && ::stat(path_.c_str(), &status) == 0) offset_ = status.st_size;
}

int ControlFile::readCommands(ControlCommand* commands, int max)
{
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0; // not there (yet): nothing to do
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        ::close(fd);
        return 0;
    }
    if (status.st_size < offset_) offset_ = 0; // emptied or written anew: all of it is new
    int count = 0;
    char buffer[kLineBuffer];
    while (count < max && offset_ < status.st_size) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset_);
        if (got <= 0) break;
        const char* end = static_cast<const char*>(std::memchr(buffer, '\n', size_t(got)));
        if (!end) {
            // A line longer than the buffer is no command: skip it; a shorter one is still
            // being written and waits for its line break.
            if (size_t(got) == sizeof buffer) {
                std::fprintf(stderr,
                             "TLV880_EMU_CONTROL: a line longer than %zu characters is "
                             "no command\n",
                             sizeof buffer);
                offset_ += got;
            }
            break;
        }
        const size_t length = size_t(end - buffer);
        offset_ += static_cast<int64_t>(length + 1);
        if (ParseControlCommand(buffer, length, &commands[count]))
            ++count;
        else if (length > 0)
            std::fprintf(stderr, "TLV880_EMU_CONTROL: \"%.*s\" is not \"replace CARD CHANNEL\"\n",
                         static_cast<int>(length), buffer);
    }
    ::close(fd);
    return count;
}

} // namespace tlv880::bus::emu
