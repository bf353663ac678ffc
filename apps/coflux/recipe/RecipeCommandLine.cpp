#include "RecipeCommandLine.h"

#include <QDir>
#include <QFileInfo>

namespace coflux {

QString RecipeUsage()
{
    return QStringLiteral(
        "Usage: coflux --recipe FILE [--headless] [--publish URL ...]\n"
        "  --recipe FILE  run the process recipe FILE on the current setup file\n"
        "  --headless     run without a window; no display is needed\n"
        "  --publish URL  publish the run to an MQTT broker, as any run does (see --help)\n"
        "Exit status: 0 complete, 1 bad recipe file or error, 3 aborted (interrupted),\n"
        "4 failed (shutter-delay time-out, crystal failure with stop, no readings).\n");
}

RecipeRequest ParseRecipeArguments(const QStringList& arguments)
{
    RecipeRequest request;
    const QStringList args = arguments.mid(1);
    for (const QString& arg : args)
        if (arg == QLatin1String("--recipe") || arg.startsWith(QLatin1String("--recipe=")))
            request.wanted = true;
    if (!request.wanted) return request;

    bool haveFile = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--headless")) {
            request.headless = true;
        } else if (arg == QLatin1String("--recipe") || arg.startsWith(QLatin1String("--recipe="))) {
            if (haveFile) {
                request.error = QStringLiteral("--recipe is given more than once.");
                return request;
            }
            const bool inlineValue = arg.contains(QLatin1Char('='));
            request.file = inlineValue           ? arg.section(QLatin1Char('='), 1)
                           : i + 1 < args.size() ? args.at(++i)
                                                 : QString();
            if (request.file.isEmpty() || (!inlineValue && request.file.startsWith("--"))) {
                request.error = QStringLiteral("--recipe needs the name of a recipe file.");
                return request;
            }
            haveFile = true;
        } else {
            request.error = QStringLiteral("%1 cannot be combined with --recipe.").arg(arg);
            return request;
        }
    }
    return request;
}

QString ResolveRecipeFile(const QString& file, const QString& programFolder)
{
    if (QFileInfo::exists(file) || QFileInfo(file).isAbsolute()) return file;
    const QString inFolder = QDir(programFolder).filePath(file);
    return QFileInfo::exists(inFolder) ? inFolder : file;
}

} // namespace coflux
