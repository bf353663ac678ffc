// The command line of an unattended run: --run FILE, --minutes N, --headless, --help.

#include "UnattendedRun.h"

#include <cmath>
#include <cstring>

namespace coflux {

namespace {

// The longest time limit accepted: a week, far beyond any deposition, small enough that the
// timer's milliseconds stay exact.
constexpr double kMaxMinutes = 7 * 24 * 60;

bool IsOurs(const QString& arg)
{
    for (const char* name : {"--run", "--minutes", "--headless", "--help", "-h"}) {
        const QLatin1String option(name);
        if (arg == option || arg.startsWith(option + QLatin1Char('='))) return true;
    }
    return false;
}

RunRequest Invalid(const QString& error)
{
    RunRequest request;
    request.kind = RunRequest::Kind::Invalid;
    request.error = error;
    return request;
}

} // namespace

QString RunUsage()
{
    return QStringLiteral(
        "Usage: coflux [--run FILE [--minutes N] [--headless]]\n"
        "  --run FILE    load the setup file FILE, start the deposition and end the program\n"
        "                when it halts (a name without a folder is taken from the program's\n"
        "                folder, like Open)\n"
        "  --minutes N   stop the deposition after N minutes (fractions allowed) if no\n"
        "                setpoint stopped it before\n"
        "  --headless    run without a window; no display is needed\n"
        "Exit status: 0 setpoint reached, 1 error, 2 time limit, 3 stopped by the operator.\n");
}

RunRequest ParseRunArguments(const QStringList& arguments)
{
    const QStringList args = arguments.mid(1);
    bool any = false;
    for (const QString& arg : args)
        any = any || IsOurs(arg);
    if (!any) return {};

    RunRequest request;
    bool haveRun = false;
    bool haveMinutes = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString arg = args.at(i);
        QString name = arg;
        QString value;
        bool inlineValue = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            name = arg.section(QLatin1Char('='), 0, 0);
            value = arg.section(QLatin1Char('='), 1);
            inlineValue = true;
        }
        const auto takeValue = [&]() -> bool {
            if (inlineValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args.at(++i);
            return true;
        };

        if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
            request.kind = RunRequest::Kind::Help;
            return request;
        }
        if (name == QLatin1String("--headless")) {
            if (inlineValue) return Invalid(QStringLiteral("--headless takes no value."));
            request.headless = true;
        } else if (name == QLatin1String("--run")) {
            if (haveRun) return Invalid(QStringLiteral("--run is given more than once."));
            if (!takeValue() || value.isEmpty() || (!inlineValue && value.startsWith("--")))
                return Invalid(QStringLiteral("--run needs the name of a setup file."));
            request.file = value;
            haveRun = true;
        } else if (name == QLatin1String("--minutes")) {
            if (haveMinutes) return Invalid(QStringLiteral("--minutes is given more than once."));
            if (!takeValue() || value.isEmpty())
                return Invalid(QStringLiteral("--minutes needs a number of minutes."));
            bool ok = false;
            const double minutes = value.toDouble(&ok);
            if (!ok || !std::isfinite(minutes) || minutes <= 0 || minutes > kMaxMinutes)
                return Invalid(QStringLiteral("--minutes %1: the time limit must be a number of "
                                              "minutes greater than 0 and at most %2.")
                                   .arg(value)
                                   .arg(kMaxMinutes));
            request.minutes = minutes;
            haveMinutes = true;
        } else {
            return Invalid(QStringLiteral("Unknown argument %1.").arg(arg));
        }
    }
    if (!haveRun) return Invalid(QStringLiteral("--minutes and --headless need --run FILE."));
    request.kind = RunRequest::Kind::Run;
    return request;
}

bool WantsHeadless(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::strcmp(argv[i], "--headless") == 0) return true;
    return false;
}

} // namespace coflux
