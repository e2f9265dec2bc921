#include "jobcommands.h"

#include "console.h"
#include "exitstatus.h"
#include "jobsummary.h"
#include "subcommandparser.h"
#include "terminalprogress.h"
#include "usage.h"

#include "facets.h"
#include "jobs.h"

#include <deque>
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
// What is read of the line before the job runs: the facet (none when the
// job takes none, or leaves it to a manifest), the form of the map file to
// write (plain unless the job has a format option and it says otherwise),
// and the height of the facet's grid (0: the facet's).
struct JobSettings
{
    std::optional<int> facet;
    MapFormat format = MapFormat::Mul;
    qint64 heightBlocks = 0;
};
using RunJob = std::function<JobOutcome(Options, const JobSettings&, JobProgress&, const CommitOptions&)>;
using Summarise = QString (*)(const QString& label, const JobResult&, bool withDataBytes);
// The exit status of a job that succeeded.
using ExitFor = int (*)(const JobResult&);

int succeeded(const JobResult&)
{
    return ExitSuccess;
}

// A verification exits with 1 when it found a base the patch does not fit,
// and with 3 when there is no manifest to check it against.
int verified(const JobResult& result)
{
    switch (result.base.found) {
    case BaseCase::Conflict:
        return ExitFailed;
    case BaseCase::NotChecked:
        return ExitNoManifest;
    default:
        return ExitSuccess;
    }
}

// How each option that takes a facet treats it.
enum class FacetOption { None, Required, Optional };

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
    bool takesHeight = false;  // of the facet's grid, for the tiles a conflict names
};

QString text(Options options, const char* name)
{
    return options.value(QLatin1String(name));
}

const JobOption OutOption{"out", "DIR", "Output directory; it must exist."};
const JobOption HeightOption{"height", "H",
                             "Height of the facet's grid in blocks, where the map's is not the facet's: "
                             "a conflict names its tiles in that grid.",
                             false};
constexpr qint64 MostHeight = qint64(1) << 30;
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

JobOption baseFacetOption()
{
    static const QByteArray description =
        QStringLiteral("Facet of the base, 0 to %1 or a name; one other than its manifest's does not fit. "
                       "Without it, the manifest's.")
            .arg(facets::Count - 1)
            .toUtf8();
    return {"facet", "F", description.constData(), false};
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
            [](Options o, const JobSettings& settings, JobProgress& progress, const CommitOptions& commit) {
                MapGenerateJob job;
                job.referenceMap = text(o, "reference");
                job.currentMap = text(o, "current");
                job.outDir = text(o, "out");
                job.facet = *settings.facet;
                return generateMapDiff(job, progress, commit);
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
            [](Options o, const JobSettings& settings, JobProgress& progress, const CommitOptions& commit) {
                StaticsGenerateJob job;
                job.referenceIndex = text(o, "reference-index");
                job.referenceData = text(o, "reference-data");
                job.currentIndex = text(o, "current-index");
                job.currentData = text(o, "current-data");
                job.outDir = text(o, "out");
                job.facet = *settings.facet;
                return generateStaticsDiff(job, progress, commit);
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
         ForceOption,
         HeightOption},
        [](Options o, const JobSettings& settings, JobProgress& progress, const CommitOptions& commit) {
            MapCombineJob job;
            job.currentMap = text(o, "map");
            job.difData = text(o, "dif");
            job.difLocator = text(o, "difl");
            job.outDir = text(o, "out");
            job.facet = *settings.facet;
            job.format = settings.format;
            job.force = o.isSet(QStringLiteral("force"));
            job.heightBlocks = settings.heightBlocks;
            return combineMapDiff(job, progress, commit);
        },
        &combinationSummary,
        false,
        "format",
        &succeeded,
        true};
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
             ForceOption,
             HeightOption},
            [](Options o, const JobSettings& settings, JobProgress& progress, const CommitOptions& commit) {
                StaticsCombineJob job;
                job.currentIndex = text(o, "index");
                job.currentData = text(o, "data");
                job.difData = text(o, "dif");
                job.difIndex = text(o, "difi");
                job.difLocator = text(o, "difl");
                job.outDir = text(o, "out");
                job.facet = *settings.facet;
                job.force = o.isSet(QStringLiteral("force"));
                job.heightBlocks = settings.heightBlocks;
                return combineStaticsDiff(job, progress, commit);
            },
            &combinationSummary,
            true,
            nullptr,
            &succeeded,
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
        [](Options o, const JobSettings& settings, JobProgress& progress, const CommitOptions& commit) {
            MapConvertJob job;
            job.map = text(o, "in");
            job.outDir = text(o, "out");
            job.facet = *settings.facet;
            job.format = settings.format;
            return convertMap(job, progress, commit);
        },
        &conversionSummary,
        false,
        "to"};
}

// A verification's description, followed by what it tells scripts by its
// exit status; kept for as long as the commands are.
const char* withVerifyExit(const char* description)
{
    static std::deque<QByteArray> kept;
    kept.push_back(
        QByteArray(description)
        + " Exit status 0 when the patch fits (the reference, the patch's result, or edits elsewhere), "
          "1 when it does not or a file is damaged, 2 for a usage error, 3 when the difference files "
          "have no manifest.");
    return kept.back().constData();
}

JobCommand verifyMapCommand()
{
    return {"verify",
            "map",
            withVerifyExit("Checks a map file against the manifest beside map difference files: combine "
                           "map's every check and finding, without writing anything."),
            {{"map", "FILE", "Map file the patch would be applied to, plain or container."},
             {"difl", "FILE", "Map difference locator file; its manifest lies beside it."},
             {"dif", "FILE", "Map difference data file."},
             baseFacetOption(),
             HeightOption},
            [](Options o, const JobSettings& settings, JobProgress& progress, const CommitOptions& commit) {
                MapVerifyJob job;
                job.map = text(o, "map");
                job.difData = text(o, "dif");
                job.difLocator = text(o, "difl");
                job.facet = settings.facet;
                job.heightBlocks = settings.heightBlocks;
                return verifyMapPatch(job, progress, commit);
            },
            &verificationSummary,
            false,
            nullptr,
            &verified,
            true};
}

JobCommand verifyStaticsCommand()
{
    return {"verify",
            "statics",
            withVerifyExit("Checks a statics pair against the manifest beside statics difference files: "
                           "combine statics' every check and finding, without writing anything."),
            {{"index", "FILE", "Statics index file the patch would be applied to."},
             {"data", "FILE", "Statics data file the patch would be applied to."},
             {"difl", "FILE", "Statics difference locator file; its manifest lies beside it."},
             {"difi", "FILE", "Statics difference index file."},
             {"dif", "FILE", "Statics difference data file."},
             baseFacetOption(),
             HeightOption},
            [](Options o, const JobSettings& settings, JobProgress& progress, const CommitOptions& commit) {
                StaticsVerifyJob job;
                job.index = text(o, "index");
                job.data = text(o, "data");
                job.difData = text(o, "dif");
                job.difIndex = text(o, "difi");
                job.difLocator = text(o, "difl");
                job.facet = settings.facet;
                job.heightBlocks = settings.heightBlocks;
                return verifyStaticsPatch(job, progress, commit);
            },
            &verificationSummary,
            false,
            nullptr,
            &verified,
            true};
}

const std::vector<JobCommand>& jobCommands()
{
    static const std::vector<JobCommand> commands{
        generateMapCommand(), generateStaticsCommand(), combineMapCommand(),   combineStaticsCommand(),
        convertMapCommand(),  verifyMapCommand(),       verifyStaticsCommand()};
    return commands;
}

// Whether the job takes a facet, and must be given one.
FacetOption facetOptionOf(const JobCommand& job)
{
    for (const JobOption& option : job.options) {
        if (QLatin1String(option.name) == QLatin1String("facet"))
            return option.required ? FacetOption::Required : FacetOption::Optional;
    }
    return FacetOption::None;
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

// The facet, the form and the height the line gives, or the usage error.
std::optional<int> readSettings(const JobCommand& job, const SubcommandParser& parser, JobSettings& settings)
{
    const FacetOption facetOption = facetOptionOf(job);
    if (facetOption == FacetOption::Required || parser.isSet(QStringLiteral("facet"))) {
        settings.facet = parser.facet(QStringLiteral("facet"));
        if (!settings.facet)
            return parser.usageError(unknownFacetMessage(parser.value(QStringLiteral("facet"))));
    } else if (facetOption == FacetOption::None) {
        settings.facet = 0;
    }
    if (job.formatOption && parser.isSet(QLatin1String(job.formatOption))) {
        const std::optional<MapFormat> format = mapFormat(parser.value(QLatin1String(job.formatOption)));
        if (!format)
            return parser.usageError(
                QStringLiteral("Unknown format '%1' for --%2: use mul or uop.")
                    .arg(parser.value(QLatin1String(job.formatOption)), QLatin1String(job.formatOption)));
        settings.format = *format;
    }
    if (job.takesHeight && parser.isSet(QStringLiteral("height"))) {
        bool ok = false;
        settings.heightBlocks = parser.value(QStringLiteral("height")).toLongLong(&ok);
        if (!ok || settings.heightBlocks < 1 || settings.heightBlocks > MostHeight)
            return parser.usageError(
                QStringLiteral("--height must be a whole number from 1 to %1.").arg(MostHeight));
    }
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
    JobSettings settings;
    if (const std::optional<int> usage = readSettings(job, parser, settings))
        return *usage;

    const QString label = QLatin1String(job.command) + QLatin1Char(' ') + QLatin1String(job.kind);
    TerminalProgress progress(label);
    const JobOutcome outcome = job.run(parser, settings, progress, commit);
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
