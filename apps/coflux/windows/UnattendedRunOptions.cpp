// The command line of coflux: --run FILE, --minutes N, --headless, --simulate, --help,
// --version.

#include "UnattendedRun.h"

#include <QCommandLineParser>

#include <cmath>
#include <cstring>

namespace coflux {

namespace {

// The longest time limit accepted: a week, far beyond any deposition, small enough that the
// timer's milliseconds stay exact.
constexpr double kMaxMinutes = 7 * 24 * 60;

bool IsOurs(const QString& arg)
{
    for (const char* name :
         {"--run", "--minutes", "--headless", "--simulate", "--help", "-h", "--version", "-v"}) {
        const QLatin1String option(name);
        if (arg == option || arg.startsWith(option + QLatin1Char('='))) return true;
    }
    return false;
}

RunRequest OfKind(RunRequest::Kind kind)
{
    RunRequest request;
    request.kind = kind;
    return request;
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
        "Usage: coflux [--run FILE [--minutes N] [--headless] [--simulate]]\n"
        "  --run FILE    load the setup file FILE, start the deposition and end the program\n"
        "                when it halts (a name without a folder is taken from the program's\n"
        "                folder, like Open)\n"
        "  --minutes N   stop the deposition after N minutes (fractions allowed) if no\n"
        "                setpoint stopped it before\n"
        "  --headless    run without a window; no display is needed\n"
        "  --simulate    run in simulation when the setup asks for a card but none is usable\n"
        "  --help        print this text\n"
        "  --version     print the version\n"
        "Exit status: 0 setpoint reached, 1 error, 2 time limit, 3 stopped by the operator,\n"
        "4 the run ended but lines of its log could not be written.\n");
}

RunRequest ParseRunArguments(const QStringList& arguments)
{
    bool any = false;
    for (const QString& arg : arguments.mid(1))
        any = any || IsOurs(arg);
    if (!any) return {};

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption run(QStringLiteral("run"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption minutes(QStringLiteral("minutes"), QString(), QStringLiteral("N"));
    const QCommandLineOption headless(QStringLiteral("headless"));
    const QCommandLineOption simulate(QStringLiteral("simulate"));
    const QCommandLineOption help(QStringList{QStringLiteral("help"), QStringLiteral("h")});
    const QCommandLineOption version(QStringList{QStringLiteral("version"), QStringLiteral("v")});
    parser.addOptions({run, minutes, headless, simulate, help, version});

    // Help and version win over everything else, as with any program.
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) return OfKind(RunRequest::Kind::Help);
    if (parser.isSet(version)) return OfKind(RunRequest::Kind::Version);
    if (!parsed) return Invalid(parser.errorText() + QLatin1Char('.'));
    if (!parser.positionalArguments().isEmpty())
        return Invalid(
            QStringLiteral("Unknown argument %1.").arg(parser.positionalArguments().first()));

    RunRequest request;
    request.headless = parser.isSet(headless);
    request.simulate = parser.isSet(simulate);
    const QStringList files = parser.values(run);
    if (files.size() > 1) return Invalid(QStringLiteral("--run is given more than once."));
    // "--run --headless" would take the option for a file name.
    if (files.size() == 1 &&
        (files.first().isEmpty() || files.first().startsWith(QLatin1String("--"))))
        return Invalid(QStringLiteral("--run needs the name of a setup file."));

    const QStringList limits = parser.values(minutes);
    if (limits.size() > 1) return Invalid(QStringLiteral("--minutes is given more than once."));
    if (limits.size() == 1) {
        const QString& value = limits.first();
        bool ok = false;
        const double n = value.toDouble(&ok);
        if (!ok || !std::isfinite(n) || n <= 0 || n > kMaxMinutes)
            return Invalid(QStringLiteral("--minutes %1: the time limit must be a number of "
                                          "minutes greater than 0 and at most %2.")
                               .arg(value)
                               .arg(kMaxMinutes));
        request.minutes = n;
    }
    if (files.isEmpty())
        return Invalid(QStringLiteral("--minutes, --headless and --simulate need --run FILE."));
    request.file = files.first();
    request.kind = RunRequest::Kind::Run;
    return request;
}

bool WantsHeadless(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::strcmp(argv[i], "--headless") == 0) return true;
    return false;
}

bool HasDisplay()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        if (!qEnvironmentVariableIsEmpty(name)) return true;
    return false;
}

} // namespace coflux
