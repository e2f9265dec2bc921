#include "jobcommands.h"

#include "console.h"
#include "exitstatus.h"
#include "jobsummary.h"
#include "subcommandparser.h"
#include "terminalprogress.h"
#include "usage.h"

#include "facets.h"
#include "jobs.h"

#include <functional>
#include <optional>
#include <vector>

namespace quillmark {

namespace {

struct JobOption
{
    const char* name;
    const char* valueName;
    const char* description;
    bool required = true;
};

using Options = const SubcommandParser&;
// The facet and the form of the map file to write (plain unless the job has
// a format option and it says otherwise) are read before the job runs.
using RunJob = std::function<JobOutcome(Options, int facet, MapFormat, JobProgress&, const CommitOptions&)>;
using Summarise = QString (*)(const QString& label, const JobResult&, bool withDataBytes);

struct JobCommand
{
    const char* command;
    const char* kind;
    const char* description;
    std::vector<JobOption> options;
    RunJob run;
    Summarise summarise;
    bool withDataBytes;
    const char* formatOption = nullptr;  // the option that names the form of the map written
};

QString text(Options options, const char* name)
{
    return options.value(QLatin1String(name));
}

const JobOption OutOption{"out", "DIR", "Output directory; it must exist."};
JobOption facetOption()
{
    static const QByteArray description = QStringLiteral("Facet of the file names: 0 to %1, or %2.")
                                              .arg(facets::Count - 1)
                                              .arg(facets::nameList())
                                              .toUtf8();
    return {"facet", "F", description.constData()};
}

JobCommand generateMapCommand()
{
    return {"generate",
            "map",
            "Compares two map files and writes mapdifl<F>.mul and mapdif<F>.mul.",
            {{"reference", "FILE", "Reference map file, plain or container."},
             {"current", "FILE", "Current map file, plain or container."},
             OutOption,
             facetOption()},
            [](Options o, int facet, MapFormat, JobProgress& progress, const CommitOptions& commit) {
                return generateMapDiff({text(o, "reference"), text(o, "current"), text(o, "out"), facet},
                                       progress, commit);
            },
            &generationSummary,
            false};
}

JobCommand generateStaticsCommand()
{
    return {"generate",
            "statics",
            "Compares two statics pairs and writes stadifl<F>.mul, stadifi<F>.mul and stadif<F>.mul.",
            {{"reference-index", "FILE", "Reference statics index file."},
             {"reference-data", "FILE", "Reference statics data file."},
             {"current-index", "FILE", "Current statics index file."},
             {"current-data", "FILE", "Current statics data file."},
             OutOption,
             facetOption()},
            [](Options o, int facet, MapFormat, JobProgress& progress, const CommitOptions& commit) {
                return generateStaticsDiff({text(o, "reference-index"), text(o, "reference-data"),
                                            text(o, "current-index"), text(o, "current-data"), text(o, "out"),
                                            facet},
                                           progress, commit);
            },
            &generationSummary,
            true};
}

JobCommand combineMapCommand()
{
    return {"combine",
            "map",
            "Applies map difference files to a map file (plain or container) and writes map<F>.mul, "
            "or map<F>LegacyMUL.uop with --format uop.",
            {{"map", "FILE", "Map file to patch, plain or container."},
             {"difl", "FILE", "Map difference locator file."},
             {"dif", "FILE", "Map difference data file."},
             OutOption,
             facetOption(),
             {"format", "mul|uop", "Form of the new map file: mul (default) or uop, a package container.",
              false}},
            [](Options o, int facet, MapFormat format, JobProgress& progress, const CommitOptions& commit) {
                return combineMapDiff(
                    {text(o, "map"), text(o, "dif"), text(o, "difl"), text(o, "out"), facet, format},
                    progress, commit);
            },
            &combinationSummary,
            false,
            "format"};
}

JobCommand combineStaticsCommand()
{
    return {"combine",
            "statics",
            "Applies statics difference files to a statics pair and writes staidx<F>.mul and statics<F>.mul.",
            {{"index", "FILE", "Statics index file to patch."},
             {"data", "FILE", "Statics data file to patch."},
             {"difl", "FILE", "Statics difference locator file."},
             {"difi", "FILE", "Statics difference index file."},
             {"dif", "FILE", "Statics difference data file."},
             OutOption,
             facetOption()},
            [](Options o, int facet, MapFormat, JobProgress& progress, const CommitOptions& commit) {
                return combineStaticsDiff({text(o, "index"), text(o, "data"), text(o, "dif"), text(o, "difi"),
                                           text(o, "difl"), text(o, "out"), facet},
                                          progress, commit);
            },
            &combinationSummary,
            true};
}

JobCommand convertMapCommand()
{
    return {
        "convert",
        "map",
        "Writes a map file in the form asked for: map<F>.mul or map<F>LegacyMUL.uop, a package container.",
        {{"in", "FILE", "Map file to convert, plain or container."},
         {"to", "mul|uop", "Form of the new map file."},
         OutOption,
         facetOption()},
        [](Options o, int facet, MapFormat format, JobProgress& progress, const CommitOptions& commit) {
            return convertMap({text(o, "in"), text(o, "out"), facet, format}, progress, commit);
        },
        &conversionSummary,
        false,
        "to"};
}

const std::vector<JobCommand>& jobCommands()
{
    static const std::vector<JobCommand> commands{generateMapCommand(), generateStaticsCommand(),
                                                  combineMapCommand(), combineStaticsCommand(),
                                                  convertMapCommand()};
    return commands;
}

const JobCommand* findJobCommand(const QString& command, const QString& kind)
{
    for (const JobCommand& job : jobCommands()) {
        if (command == QLatin1String(job.command) && kind == QLatin1String(job.kind))
            return &job;
    }
    return nullptr;
}

// "map or statics", or "map" for a command that has no other kind.
QString kindsOf(const QString& command)
{
    QStringList kinds;
    for (const JobCommand& job : jobCommands()) {
        if (command == QLatin1String(job.command))
            kinds << QLatin1String(job.kind);
    }
    return kinds.join(QLatin1String(" or "));
}

std::optional<MapFormat> mapFormat(const QString& text)
{
    if (text == QLatin1String("mul"))
        return MapFormat::Mul;
    if (text == QLatin1String("uop"))
        return MapFormat::Uop;
    return std::nullopt;
}

int runJob(const JobCommand& job, const QStringList& arguments, const CommitOptions& commit)
{
    SubcommandParser parser(QLatin1String(job.command), QLatin1String(job.kind),
                            QLatin1String(job.description));
    for (const JobOption& option : job.options) {
        const auto add = option.required ? &SubcommandParser::addRequired : &SubcommandParser::addOptional;
        (parser.*add)(QLatin1String(option.name), QLatin1String(option.valueName),
                      QLatin1String(option.description));
    }
    const Status parsed = parser.parse(arguments);
    if (!parsed.ok())
        return parser.usageError(parsed.message());
    const std::optional<int> facet = parser.facet(QStringLiteral("facet"));
    if (!facet)
        return parser.usageError(unknownFacetMessage(parser.value(QStringLiteral("facet"))));
    std::optional<MapFormat> format = MapFormat::Mul;
    if (job.formatOption && parser.isSet(QLatin1String(job.formatOption)))
        format = mapFormat(parser.value(QLatin1String(job.formatOption)));
    if (!format)
        return parser.usageError(
            QStringLiteral("Unknown format '%1' for --%2: use mul or uop.")
                .arg(parser.value(QLatin1String(job.formatOption)), QLatin1String(job.formatOption)));

    const QString label = QLatin1String(job.command) + QLatin1Char(' ') + QLatin1String(job.kind);
    TerminalProgress progress(label);
    const JobOutcome outcome = job.run(parser, *facet, *format, progress, commit);
    progress.conclude(outcome.succeeded());
    if (!outcome.succeeded())
        return parser.fail(outcome.failure());
    printOut(job.summarise(label, outcome.result(), job.withDataBytes));
    return ExitSuccess;
}

}  // namespace

int runJobCommand(const QString& command, const QString& kind, const QStringList& arguments,
                  const CommitOptions& options)
{
    const JobCommand* job = findJobCommand(command, kind);
    if (!job)
        return usageError(
            QStringLiteral("Unknown kind '%1' for %2: use %3.").arg(kind, command, kindsOf(command)));
    return runJob(*job, arguments, options);
}

}  // namespace quillmark
