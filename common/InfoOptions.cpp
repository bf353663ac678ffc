#include "common/InfoOptions.h"

#include "common/ProgramInfo.h"

#include <cstring>

namespace tlv {

std::optional<int> AnswerInfoOptions(int argc, const char* const* argv, const QString& program,
                                     const QString& summary, std::FILE* out)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!arg) continue;
        if (std::strcmp(arg, "--version") == 0) {
            const QString line = program + QLatin1Char(' ') + PackageVersion() + QLatin1Char('\n');
            std::fputs(line.toLocal8Bit().constData(), out);
            return 0;
        }
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            const QString usage = QStringLiteral("Usage: %1 [--help | --version]\n%2\n"
                                                 "  --help, -h   print this summary and exit\n"
                                                 "  --version    print the package version and "
                                                 "exit\n")
                                      .arg(program, summary);
            std::fputs(usage.toLocal8Bit().constData(), out);
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace tlv
