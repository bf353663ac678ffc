// The emulated bus's control file (TLV880_EMU_CONTROL): run-time commands to the virtual coater,
// one a line, appended by the user while the programs run, e.g.
//   echo "replace 0 1" >> control.txt     # fresh crystal on channel 1 of card 0
// Commands: "replace CARD CHANNEL" (card in scan order from 0, channel 0..3). The bus looks at
// the file at most every tenth of a second of its time, carries out the lines appended since
// (a line counts once it ends with a line break), and never writes to it; what the file holds
// when the bus opens is history and is left alone. Reading it allocates nothing: it runs on the
// library's acquisition thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tlv880::bus::emu {

struct ControlCommand {
    int card = 0;
    int channel = 0;
};

// Parses one command line (without its line break); false for anything else.
bool ParseControlCommand(const char* line, size_t length, ControlCommand* command);

class ControlFile {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr std::chrono::milliseconds kPollInterval{100};
    static constexpr int kMaxCommandsPerPoll = 16;

    // Starts watching path (empty: no control file) from its present end.
    void open(const std::string& path, TimePoint now);
    void close() { path_.clear(); }

    // Carries out the commands appended since the last look, when it is time to look.
    template <typename CarryOut> void poll(TimePoint now, CarryOut carryOut)
    {
        if (path_.empty() || now < nextPoll_) return;
        nextPoll_ = now + kPollInterval;
        ControlCommand commands[kMaxCommandsPerPoll];
        const int count = readCommands(commands, kMaxCommandsPerPoll);
        for (int i = 0; i < count; ++i)
            carryOut(commands[i]);
    }

    // Says on standard error that a command could not be carried out.
    static void Complain(const char* what, int card);

private:
    // Reads up to max new commands; lines that are not commands are named on standard error.
    int readCommands(ControlCommand* commands, int max);

    std::string path_;
    int64_t offset_ = 0; // bytes already carried out
    TimePoint nextPoll_{};
};

} // namespace tlv880::bus::emu
