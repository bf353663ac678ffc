// The command line of coflux: --run FILE, --minutes N, --tune N FILE (--power, --step,
// --aggressiveness, --save), --headless, --simulate, --help, --version.

#include "UnattendedRun.h"

#include "TuningRule.h"

#include "instrument/OutputSlots.h"

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
         {"--run", "--minutes", "--headless", "--simulate", "--help", "-h", "--version", "-v",
          "--tune", "--power", "--step", "--aggressiveness", "--save"}) {
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

struct TuneOptions {
    const QCommandLineOption &tune, &power, &step, &aggressiveness, &save;
};

bool PercentOption(const QString& value, double low, double high, double* percent)
{
    bool ok = false;
    const double n = value.toDouble(&ok);
    if (!ok || !std::isfinite(n) || n < low || n > high) return false;
    *percent = n;
    return true;
}

RunRequest ParseTune(const QCommandLineParser& parser, const TuneOptions& o, bool headless,
                     bool simulate, bool withRun)
{
    if (withRun) return Invalid(QStringLiteral("--tune cannot be given with --run or --minutes."));
    RunRequest request;
    request.headless = headless;
    request.simulate = simulate;
    bool ok = false;
    const int shown = parser.value(o.tune).toInt(&ok);
    request.tune = ok ? tlv880::OutputSlotOfNumber(shown) : -1;
    if (request.tune < 0)
        return Invalid(
            QStringLiteral("--tune %1: the output must be 1 to 6.").arg(parser.value(o.tune)));
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1 || files.first().startsWith(QLatin1String("--")))
        return Invalid(QStringLiteral("--tune N needs the name of one setup file."));
    if (parser.isSet(o.power) && !PercentOption(parser.value(o.power), 0, 100, &request.tunePower))
        return Invalid(
            QStringLiteral("--power %1: the power must be 0 to 100 %.").arg(parser.value(o.power)));
    if (parser.isSet(o.step) && !PercentOption(parser.value(o.step), 0.5, 50, &request.tuneStep))
        return Invalid(
            QStringLiteral("--step %1: the step must be 0.5 to 50 %.").arg(parser.value(o.step)));
    if (parser.isSet(o.aggressiveness)) {
        request.aggressiveness = parser.value(o.aggressiveness).toLower();
        tlv880::tuning::Aggressiveness a{};
        if (!tlv880::tuning::ParseAggressiveness(request.aggressiveness.toStdString(), &a))
            return Invalid(QStringLiteral("--aggressiveness %1: give calm, normal or fast.")
                               .arg(parser.value(o.aggressiveness)));
    }
    request.save = parser.isSet(o.save);
    request.file = files.first();
    request.kind = RunRequest::Kind::Run;
    return request;
}

} // namespace

QString RunUsage()
{
    return QStringLiteral(
        "Usage: coflux [--run FILE [--minutes N] [--headless] [--simulate]]\n"
        "       coflux --tune N FILE [--power P] [--step P] [--aggressiveness A] [--save]\n"
        "              [--headless] [--simulate]\n"
        "  --run FILE    load the setup file FILE, start the deposition and end the program\n"
        "                when it halts (a name without a folder is taken from the program's\n"
        "                folder, like Open)\n"
        "  --minutes N   stop the deposition after N minutes (fractions allowed) if no\n"
        "                setpoint stopped it before\n"
        "  --headless    run without a window; no display is needed\n"
        "  --simulate    run in simulation when the setup asks for a card but none is usable\n"
        "  --tune N FILE identify output N (1 to 6) with an open-loop power step and print\n"
        "                the model, the proposed loop terms and the predicted loop\n"
        "  --power P     the power (%) to step from (default: the output's present power)\n"
        "  --step P      the power step in % (default 5)\n"
        "  --aggressiveness A  calm, normal (default) or fast\n"
        "  --save        write the proposed terms into FILE (otherwise FILE is untouched)\n"
        "  --help        print this text\n"
        "  --version     print the version\n"
        "Exit status: 0 setpoint reached, 1 error, 2 time limit, 3 stopped by the operator,\n"
        "4 the run ended but lines of its log could not be written; --tune: 0 terms found,\n"
        "1 error, 3 ended by a signal, 5 the tuning run ended without terms.\n");
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
    const QCommandLineOption tune(QStringLiteral("tune"), QString(), QStringLiteral("N"));
    const QCommandLineOption power(QStringLiteral("power"), QString(), QStringLiteral("P"));
    const QCommandLineOption step(QStringLiteral("step"), QString(), QStringLiteral("P"));
    const QCommandLineOption aggressiveness(QStringLiteral("aggressiveness"), QString(),
                                            QStringLiteral("A"));
    const QCommandLineOption save(QStringLiteral("save"));
    parser.addOptions(
        {run, minutes, headless, simulate, help, version, tune, power, step, aggressiveness, save});

    // Help and version win over everything else, as with any program.
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) return OfKind(RunRequest::Kind::Help);
    if (parser.isSet(version)) return OfKind(RunRequest::Kind::Version);
    if (!parsed) return Invalid(parser.errorText() + QLatin1Char('.'));
    if (parser.isSet(tune))
        return ParseTune(parser, {tune, power, step, aggressiveness, save}, parser.isSet(headless),
                         parser.isSet(simulate),
                         !parser.values(run).isEmpty() || parser.isSet(minutes));
    for (const QCommandLineOption* tuneOnly : {&power, &step, &aggressiveness, &save})
        if (parser.isSet(*tuneOnly))
            return Invalid(
                QStringLiteral("--%1 needs --tune N FILE.").arg(tuneOnly->names().first()));
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
