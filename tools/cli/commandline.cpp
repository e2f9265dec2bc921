#include "commandline.h"

#include "exitstatus.h"
#include "facets.h"
#include "inspectcommand.h"
#include "jobcommands.h"
#include "mergecommands.h"
#include "reportcommand.h"
#include "subcommandparser.h"
#include "usage.h"

#include <QCommandLineParser>

namespace quillmark {

namespace {

const char Description[] =
    "Runs Quillmark's jobs on a facet's map and statics files, for scripts:\n"
    "\n"
    "  generate map --reference FILE --current FILE --out DIR --facet F\n"
    "  generate statics --reference-index FILE --reference-data FILE --current-index FILE\n"
    "                   --current-data FILE --out DIR --facet F\n"
    "  combine map --map FILE --difl FILE --dif FILE --out DIR --facet F [--format mul|uop] [--force]\n"
    "              [--height H]\n"
    "  combine statics --index FILE --data FILE --difl FILE --difi FILE --dif FILE --out DIR --facet F\n"
    "                  [--force] [--height H]\n"
    "  verify map --map FILE --difl FILE --dif FILE [--facet F] [--height H]\n"
    "  verify statics --index FILE --data FILE --difl FILE --difi FILE --dif FILE [--facet F] [--height H]\n"
    "  convert map --in FILE --to mul|uop --out DIR --facet F\n"
    "  merge map --base FILE --ours FILE --theirs FILE --out DIR --facet F [--height H]\n"
    "            [--prefer ours|theirs] [--conflicts FILE] [--format mul|uop]\n"
    "  merge statics --base-index FILE --base-data FILE --ours-index FILE --ours-data FILE\n"
    "                --theirs-index FILE --theirs-data FILE --out DIR --facet F [--height H]\n"
    "                [--prefer ours|theirs] [--conflicts FILE]\n"
    "  rebase map --reference FILE --difl FILE --dif FILE --onto FILE --out DIR --facet F [--height H]\n"
    "             [--prefer ours|theirs] [--conflicts FILE]\n"
    "  rebase statics --reference-index FILE --reference-data FILE --difl FILE --difi FILE --dif FILE\n"
    "                 --onto-index FILE --onto-data FILE --out DIR --facet F [--height H]\n"
    "                 [--prefer ours|theirs] [--conflicts FILE]\n"
    "  inspect map --difl FILE --dif FILE [--map FILE] [--facet F] [--height H] [--picture FILE.png]\n"
    "  inspect statics --difl FILE --difi FILE --dif FILE [--index FILE] [--facet F] [--height H]\n"
    "                  [--picture FILE.png]\n"
    "  report --facet F [--height H] --map FILE [--mapdifl FILE --mapdif FILE]\n"
    "         [--index FILE --data FILE --stadifl FILE --stadifi FILE --stadif FILE]\n"
    "         [--radar-colours FILE] [--gap N] [--outline] --html FILE [--json FILE]\n"
    "\n"
    "F is a facet, 0 to 5 or its name: %1.\n"
    "A map FILE is a plain map file (map<F>.mul) or a package container (map<F>LegacyMUL.uop),\n"
    "whatever its name. A new map file is plain unless --format or --to says uop.\n"
    "Each command has its own --help, e.g. 'quillmark-cli generate map --help'.\n"
    "Generate writes a manifest beside the difference files; combine and verify check the base against\n"
    "it when it is there, a base of another facet than the manifest's among what does not fit.\n"
    "Merge and rebase merge tile by tile with a base: see their --help.\n"
    "Exit status: 0 success, 1 a failed job, problems found or a patch that does not fit, 2 a usage error,\n"
    "3 a verify that found no manifest to check against.";

bool isMergeCommand(const QString& command)
{
    return command == QLatin1String("merge") || command == QLatin1String("rebase");
}

bool isCommand(const QString& command)
{
    return command == QLatin1String("generate") || command == QLatin1String("combine")
           || command == QLatin1String("convert") || command == QLatin1String("inspect")
           || command == QLatin1String("report") || command == QLatin1String("verify")
           || isMergeCommand(command);
}

}  // namespace

int runCommandLine(const QStringList& arguments, const CommitOptions& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Description).arg(facets::nameList()));
    parser.addPositionalArgument(
        QStringLiteral("command"),
        QStringLiteral("generate, combine, convert, verify, merge, rebase, inspect or report."),
        QStringLiteral("<command> <map|statics> [options]"));
    const Status parsed = parseProgramLine(parser, arguments);
    if (!parsed.ok())
        return reportFailure(parsed);

    const QStringList positional = parser.positionalArguments();
    const QString& command = positional.at(0);
    if (!isCommand(command))
        return usageError(QStringLiteral("Unknown command '%1'.").arg(command));
    // A report covers map and statics at once: it has no kind.
    if (command == QLatin1String("report"))
        return runReportCommand(arguments, options);
    const QString kind = positional.value(1);
    if (kind == QLatin1String("--help") || kind == QLatin1String("-h"))
        printHelpAndExit(parser);
    if (kind.isEmpty())
        return usageError(QStringLiteral("%1 needs %2.")
                              .arg(command, command == QLatin1String("convert")
                                                ? QLatin1String("map")
                                                : QLatin1String("map or statics")));
    if (command == QLatin1String("inspect"))
        return runInspectCommand(kind, arguments, options);
    if (isMergeCommand(command))
        return runMergeCommand(command, kind, arguments, options);
    return runJobCommand(command, kind, arguments, options);
}

}  // namespace quillmark
