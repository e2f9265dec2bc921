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
    const char* valueName;  // none: a flag, which takes no value
    const char* description;
    bool required = true;
};

using Options = const SubcommandParser&;
// The facet and the form of the map file to write (plain unless the job has
// a format option and it says otherwise) are read before the job runs.
using RunJob = std::function<JobOutcome(Options, int facet, MapFormat, JobProgress&, const CommitOptions&)>;
using Summarise = QString (*)(const QString& label, const JobResult&, bool withDataBytes);
// The exit status of a job that succeeded.
using ExitFor = int (*)(const JobResult&);

int succeeded(const JobResult&)
{
    return ExitSuccess;
}

// A verification exits with 1 when it found a base the patch does not fit,
// or no manifest to check it against.
int verified(const JobResult& result)
{
    const BaseCase found = result.base.found;
    return found == BaseCase::Conflict || found == BaseCase::NotChecked ? ExitFailed : ExitSuccess;
}

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
    ExitFor exitFor = &succeeded;
};

QString text(Options options, const char* name)
{
    return options.value(QLatin1String(name));
}

const JobOption OutOption{"out", "DIR", "Output directory; it must exist."};
const JobOption ForceOption{
    "force", nullptr, "Applies difference files whose manifest says they do not fit the base all the same.",
    false};
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
    return {
        "combine",
        "map",
        "Applies map difference files to a map file (plain or container) and writes map<F>.mul, "
        "or map<F>LegacyMUL.uop with --format uop.",
        {{"map", "FILE", "Map file to patch, plain or container."},
         {"difl", "FILE", "Map difference locator file."},
         {"dif", "FILE", "Map difference data file."},
         OutOption,
         facetOption(),
         {"format", "mul|uop", "Form of the new map file: mul (default) or uop, a package container.", false},
         ForceOption},
        [](Options o, int facet, MapFormat format, JobProgress& progress, const CommitOptions& commit) {
            return combineMapDiff({text(o, "map"), text(o, "dif"), text(o, "difl"), text(o, "out"), facet,
                                   format, o.isSet(QStringLiteral("force"))},
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
             facetOption(),
             ForceOption},
            [](Options o, int facet, MapFormat, JobProgress& progress, const CommitOptions& commit) {
                return combineStaticsDiff({text(o, "index"), text(o, "data"), text(o, "dif"), text(o, "difi"),
                                           text(o, "difl"), text(o, "out"), facet,
                                           o.isSet(QStringLiteral("force"))},
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

JobCommand verifyMapCommand()
{
    return {"verify",
            "map",
            "Checks a map file against the manifest beside map difference files, as combine map would, "
            "and writes nothing. Exit status 0 when the patch fits the map, 1 when it does not or has no "
            "manifest.",
            {{"map", "FILE", "Map file the patch would be applied to, plain or container."},
             {"difl", "FILE", "Map difference locator file; its manifest lies beside it."},
             {"dif", "FILE", "Map difference data file."}},
            [](Options o, int, MapFormat, JobProgress& progress, const CommitOptions& commit) {
                return verifyMapPatch({text(o, "map"), text(o, "dif"), text(o, "difl")}, progress, commit);
            },
            &verificationSummary,
            false,
            nullptr,
            &verified};
}

JobCommand verifyStaticsCommand()
{
    return {"verify",
            "statics",
            "Checks a statics pair against the manifest beside statics difference files, as combine statics "
            "would, and writes nothing. Exit status 0 when the patch fits the statics, 1 when it does not or "
            "has no manifest.",
            {{"index", "FILE", "Statics index file the patch would be applied to."},
             {"data", "FILE", "Statics data file the patch would be applied to."},
             {"difl", "FILE", "Statics difference locator file; its manifest lies beside it."},
             {"difi", "FILE", "Statics difference index file."},
             {"dif", "FILE", "Statics difference data file."}},
            [](Options o, int, MapFormat, JobProgress& progress, const CommitOptions& commit) {
                return verifyStaticsPatch(
                    {text(o, "index"), text(o, "data"), text(o, "dif"), text(o, "difi"), text(o, "difl")},
                    progress, commit);
            },
            &verificationSummary,
            false,
            nullptr,
            &verified};
}

const std::vector<JobCommand>& jobCommands()
{
    static const std::vector<JobCommand> commands{
        generateMapCommand(), generateStaticsCommand(), combineMapCommand(),   combineStaticsCommand(),
        convertMapCommand(),  verifyMapCommand(),       verifyStaticsCommand()};
    return commands;
}

// Whether the job names the files of a facet (a verification only reads).
bool takesFacet(const JobCommand& job)
{
    for (const JobOption& option : job.options) {
        if (QLatin1String(option.name) == QLatin1String("facet"))
            return true;
    }
    return false;
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
        if (!option.valueName) {
            parser.addFlag(QLatin1String(option.name), QLatin1String(option.description));
            continue;
        }
        const auto add = option.required ? &SubcommandParser::addRequired : &SubcommandParser::addOptional;
        (parser.*add)(QLatin1String(option.name), QLatin1String(option.valueName),
                      QLatin1String(option.description));
    }
    const Status parsed = parser.parse(arguments);
    if (!parsed.ok())
        return parser.usageError(parsed.message());
    const std::optional<int> facet = takesFacet(job) ? parser.facet(QStringLiteral("facet")) : 0;
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
    return job.exitFor(outcome.result());
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
