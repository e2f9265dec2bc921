#include "reportcommand.h"

#include "blockpicture.h"
#include "console.h"
#include "exitstatus.h"
#include "jobsummary.h"
#include "subcommandparser.h"
#include "terminalprogress.h"

#include "regions.h"
#include "reportjob.h"

#include <optional>

namespace quillmark {

namespace {

struct Option
{
    const char* name;
    const char* valueName;  // empty: a switch
    const char* description;
};

const Option Options[] = {
    {"facet", "F", "Facet: 0 to 5 or a name; its height in blocks places the blocks."},
    {"height", "H", "Height of the facet in blocks, instead of the facet's."},
    {"map", "FILE", "Reference map file, plain or container, that the difference files apply to."},
    {"mapdifl", "FILE", "Map difference locator file (with --mapdif)."},
    {"mapdif", "FILE", "Map difference data file (with --mapdifl)."},
    {"index", "FILE", "Reference statics index file (with the other statics files)."},
    {"data", "FILE", "Reference statics data file."},
    {"stadifl", "FILE", "Statics difference locator file."},
    {"stadifi", "FILE", "Statics difference index file."},
    {"stadif", "FILE", "Statics difference data file."},
    {"radar-colours", "FILE", "The game's radar colours (radarcol.mul) instead of the built-in palette."},
    {"gap", "N", "Changed blocks with at most N blocks between them form one region (default 1)."},
    {"outline", "", "Frames every changed tile in the pictures."},
    {"html", "FILE", "The page to write."},
    {"json", "FILE", "The same facts as JSON, for scripts."},
};

const char* const Required[] = {"facet", "map", "html"};
const char* const MapDifs[] = {"mapdifl", "mapdif"};
const char* const StaticsFiles[] = {"index", "data", "stadifl", "stadifi", "stadif"};

QString value(const SubcommandParser& parser, const char* name)
{
    return parser.value(QLatin1String(name));
}

// A set of files is given whole or not at all; true when given.
template <size_t N>
std::optional<bool> fileSet(const SubcommandParser& parser, const char* const (&names)[N], QString& error)
{
    int given = 0;
    for (const char* name : names)
        given += parser.isSet(QLatin1String(name)) ? 1 : 0;
    if (given == 0 || given == int(N))
        return given > 0;
    QStringList options;
    for (const char* name : names) {
        options << QLatin1String("--") + QLatin1String(name);
        if (!parser.isSet(QLatin1String(name)) && error.isEmpty())
            error = QStringLiteral("Missing option --%1: ").arg(QLatin1String(name));
    }
    error += options.join(QLatin1String(", ")) + QLatin1String(" go together.");
    return std::nullopt;
}

// A whole number option from `low` to `high`, or `fallback` when it is not given.
std::optional<int> number(const SubcommandParser& parser, const char* name, int low, int high, int fallback)
{
    if (!parser.isSet(QLatin1String(name)))
        return fallback;
    bool ok = false;
    const int given = value(parser, name).toInt(&ok);
    return ok && given >= low && given <= high ? std::optional<int>(given) : std::nullopt;
}

// The job the command line asks for, or the usage error that says why not.
Status readJob(const SubcommandParser& parser, ReportJob& job)
{
    const std::optional<int> facet = parser.facet(QStringLiteral("facet"));
    if (!facet)
        return Status::failure(unknownFacetMessage(value(parser, "facet")));
    job.facet = *facet;
    const std::optional<int> height = number(parser, "height", 1, MaxPictureSide, 0);
    if (!height)
        return Status::failure(
            QStringLiteral("--height must be a whole number from 1 to %1.").arg(MaxPictureSide));
    job.heightBlocks = *height;
    const std::optional<int> gap = number(parser, "gap", 0, MaxRegionGap, 1);
    if (!gap)
        return Status::failure(
            QStringLiteral("--gap must be a whole number from 0 to %1.").arg(MaxRegionGap));
    job.gap = *gap;
    QString error;
    const std::optional<bool> mapDifs = fileSet(parser, MapDifs, error);
    const std::optional<bool> statics = mapDifs ? fileSet(parser, StaticsFiles, error) : std::nullopt;
    if (!mapDifs || !statics)
        return Status::failure(error);
    if (!*mapDifs && !*statics)
        return Status::failure(QStringLiteral("No difference files given: give --mapdifl and --mapdif, "
                                              "the statics files, or both."));
    job.sources = {value(parser, "map"),     *mapDifs ? value(parser, "mapdifl") : QString(),
                   value(parser, "mapdif"),  *statics ? value(parser, "index") : QString(),
                   value(parser, "data"),    value(parser, "stadifl"),
                   value(parser, "stadifi"), value(parser, "stadif")};
    job.radarColours = value(parser, "radar-colours");
    job.outline = parser.isSet(QStringLiteral("outline"));
    job.html = value(parser, "html");
    job.json = value(parser, "json");
    if (parser.isSet(QStringLiteral("json")) && job.json == job.html)
        return Status::failure(QStringLiteral("--html and --json name the same file."));
    return Status();
}

QString summaryLine(const JobResult& result, const ReportSummary& summary)
{
    return QStringLiteral(
               "report: %1 of %2 blocks changed, in %3 regions; %4 records change nothing; wrote %5")
        .arg(summary.changedBlocks)
        .arg(result.blocks)
        .arg(summary.regions)
        .arg(summary.noOpRecords)
        .arg(result.written.join(QLatin1String(", ")));
}

}  // namespace

int runReportCommand(const QStringList& arguments, const CommitOptions& options)
{
    SubcommandParser parser(QStringLiteral("report"), QString(),
                            QStringLiteral("Writes a review page of what difference files change in a facet: "
                                           "where, before and after, and which records change nothing. Give "
                                           "the map difference files, the statics files, or both."));
    for (const Option& option : Options) {
        bool required = false;
        for (const char* name : Required)
            required = required || qstrcmp(name, option.name) == 0;
        const auto add = required ? &SubcommandParser::addRequired : &SubcommandParser::addOptional;
        (parser.*add)(QLatin1String(option.name), QLatin1String(option.valueName),
                      QLatin1String(option.description));
    }
    const Status parsed = parser.parse(arguments);
    if (!parsed.ok())
        return parser.usageError(parsed.message());
    ReportJob job;
    const Status read = readJob(parser, job);
    if (!read.ok())
        return parser.usageError(read.message());

    TerminalProgress progress(QStringLiteral("report"));
    ReportSummary summary;
    const JobOutcome outcome = writeReport(job, progress, options, &summary);
    progress.conclude(outcome.succeeded());
    if (!outcome.succeeded()) {
        printError(failureLine(outcome.failure()));
        return ExitFailed;
    }
    printOut(summaryLine(outcome.result(), summary));
    return ExitSuccess;
}

}  // namespace quillmark
