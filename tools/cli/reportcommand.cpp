#include "reportcommand.h"

#include "blockpicture.h"
#include "console.h"
#include "exitstatus.h"
#include "jobsummary.h"
#include "subcommandparser.h"
#include "terminalprogress.h"
#include "usage.h"

#include "counted.h"
#include "regions.h"
#include "reportjob.h"

#include <algorithm>
#include <iterator>
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
    {"reference-map", "FILE", "Two whole facets instead of difference files: the reference map file."},
    {"current-map", "FILE", "The current map file, compared with the reference block by block."},
    {"reference-index", "FILE", "The reference statics index file (with the other three statics files)."},
    {"reference-data", "FILE", "The reference statics data file."},
    {"current-index", "FILE", "The current statics index file."},
    {"current-data", "FILE", "The current statics data file."},
    {"base-map", "FILE",
     "A merge instead: the base map file both sides started from (with --ours-map, --theirs-map)."},
    {"ours-map", "FILE", "Our edited copy of the base map."},
    {"theirs-map", "FILE", "Their edited copy of the base map; the review shows the three-way result."},
    {"base-index", "FILE", "The base statics index file (with the other five statics files)."},
    {"base-data", "FILE", "The base statics data file."},
    {"ours-index", "FILE", "Our statics index file."},
    {"ours-data", "FILE", "Our statics data file."},
    {"theirs-index", "FILE", "Their statics index file."},
    {"theirs-data", "FILE", "Their statics data file."},
    {"radar-colours", "FILE", "The game's radar colours (radarcol.mul) instead of the built-in palette."},
    {"gap", "N", "Changed blocks with at most N blocks between them form one region (0 to 32, default 1)."},
    {"outline", "", "Frames every changed tile in the change view."},
    {"html", "FILE",
     "The first page to write; more, when there are, take its name with -2, -3, ... before its suffix."},
    {"json", "FILE", "The same facts as JSON, for scripts."},
};

static_assert(MaxRegionGap == 32, "--gap's help states its limit");

const char* const Required[] = {"facet", "html"};
const char* const MapDifs[] = {"mapdifl", "mapdif"};
const char* const StaticsFiles[] = {"index", "data", "stadifl", "stadifi", "stadif"};
const char* const FacetMaps[] = {"reference-map", "current-map"};
const char* const FacetStatics[] = {"reference-index", "reference-data", "current-index", "current-data"};
const char* const MergeMaps[] = {"base-map", "ours-map", "theirs-map"};
const char* const MergeStatics[] = {"base-index", "base-data",    "ours-index",
                                    "ours-data",  "theirs-index", "theirs-data"};

QString value(const SubcommandParser& parser, const char* name)
{
    return parser.value(QLatin1String(name));
}

// A set of files is given whole (`given` true) or not at all; fails with
// the usage error when only some of them are.
template <size_t N>
Status fileSet(const SubcommandParser& parser, const char* const (&names)[N], bool& given)
{
    int count = 0;
    const char* missing = nullptr;
    QStringList options;
    for (const char* name : names) {
        options << QLatin1String("--") + QLatin1String(name);
        if (parser.isSet(QLatin1String(name)))
            ++count;
        else if (!missing)
            missing = name;
    }
    given = count > 0;
    if (count == 0 || count == int(N))
        return Status();
    return usageFailure(QStringLiteral("Missing option --%1: %2 go together.")
                            .arg(QLatin1String(missing), options.join(QLatin1String(", "))));
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

template <size_t N>
bool anySet(const SubcommandParser& parser, const char* const (&names)[N])
{
    return std::any_of(std::begin(names), std::end(names),
                       [&parser](const char* name) { return parser.isSet(QLatin1String(name)); });
}

// The files of a review of difference files, or the usage error that says why not.
Status readDifferenceFiles(const SubcommandParser& parser, ReportSources& sources)
{
    if (!parser.isSet(QStringLiteral("map")))
        return usageFailure(QStringLiteral("Missing option --map (or --reference-map and --current-map)."));
    bool mapDifs = false;
    bool statics = false;
    if (const Status given = fileSet(parser, MapDifs, mapDifs); given.failed())
        return given;
    if (const Status given = fileSet(parser, StaticsFiles, statics); given.failed())
        return given;
    if (!mapDifs && !statics)
        return usageFailure(QStringLiteral("No difference files given: give --mapdifl and --mapdif, "
                                           "the statics files, or both."));
    sources.map = value(parser, "map");
    if (mapDifs) {
        sources.mapDifLocator = value(parser, "mapdifl");
        sources.mapDifData = value(parser, "mapdif");
    }
    if (statics) {
        sources.staticsIndex = value(parser, "index");
        sources.staticsData = value(parser, "data");
        sources.staticsDifLocator = value(parser, "stadifl");
        sources.staticsDifIndex = value(parser, "stadifi");
        sources.staticsDifData = value(parser, "stadif");
    }
    return Status();
}

// The files of a review of two whole facets, or the usage error that says why not.
Status readFacetFiles(const SubcommandParser& parser, ReportSources& sources)
{
    if (parser.isSet(QStringLiteral("map")) || anySet(parser, MapDifs) || anySet(parser, StaticsFiles))
        return usageFailure(QStringLiteral("--reference-map and --current-map compare two whole facets: "
                                           "give no --map or difference files with them."));
    bool maps = false;
    bool statics = false;
    if (const Status given = fileSet(parser, FacetMaps, maps); given.failed())
        return given;
    if (const Status given = fileSet(parser, FacetStatics, statics); given.failed())
        return given;
    if (!maps)
        return usageFailure(QStringLiteral("Missing option --reference-map: --reference-map, "
                                           "--current-map go together."));
    sources.map = value(parser, "reference-map");
    sources.currentMap = value(parser, "current-map");
    if (statics) {
        sources.staticsIndex = value(parser, "reference-index");
        sources.staticsData = value(parser, "reference-data");
        sources.currentStaticsIndex = value(parser, "current-index");
        sources.currentStaticsData = value(parser, "current-data");
    }
    return Status();
}

// The files of a review of a merge, or the usage error that says why not.
Status readMergeFiles(const SubcommandParser& parser, ReportSources& sources)
{
    if (parser.isSet(QStringLiteral("map")) || anySet(parser, MapDifs) || anySet(parser, StaticsFiles)
        || anySet(parser, FacetMaps) || anySet(parser, FacetStatics))
        return usageFailure(QStringLiteral("--base-map, --ours-map and --theirs-map review a merge: give no "
                                           "--map, difference files, --reference-map or --current-map files "
                                           "with them."));
    bool maps = false;
    bool statics = false;
    if (const Status given = fileSet(parser, MergeMaps, maps); given.failed())
        return given;
    if (const Status given = fileSet(parser, MergeStatics, statics); given.failed())
        return given;
    if (!maps)
        return usageFailure(QStringLiteral("Missing option --base-map: --base-map, --ours-map, --theirs-map "
                                           "go together."));
    sources.map = value(parser, "base-map");
    sources.oursMap = value(parser, "ours-map");
    sources.theirsMap = value(parser, "theirs-map");
    if (statics) {
        sources.staticsIndex = value(parser, "base-index");
        sources.staticsData = value(parser, "base-data");
        sources.oursStaticsIndex = value(parser, "ours-index");
        sources.oursStaticsData = value(parser, "ours-data");
        sources.theirsStaticsIndex = value(parser, "theirs-index");
        sources.theirsStaticsData = value(parser, "theirs-data");
    }
    return Status();
}

// The files of the review the options name, or the usage error that says why not.
Status readFiles(const SubcommandParser& parser, ReportSources& sources)
{
    if (anySet(parser, MergeMaps) || anySet(parser, MergeStatics))
        return readMergeFiles(parser, sources);
    if (anySet(parser, FacetMaps) || anySet(parser, FacetStatics))
        return readFacetFiles(parser, sources);
    return readDifferenceFiles(parser, sources);
}

// The job the command line asks for, or the usage error that says why not.
Status readJob(const SubcommandParser& parser, ReportJob& job)
{
    const std::optional<int> facet = parser.facet(QStringLiteral("facet"));
    if (!facet)
        return usageFailure(unknownFacetMessage(value(parser, "facet")));
    job.facet = *facet;
    const std::optional<int> height = number(parser, "height", 1, MaxPictureSide, 0);
    if (!height)
        return usageFailure(
            QStringLiteral("--height must be a whole number from 1 to %1.").arg(MaxPictureSide));
    job.heightBlocks = *height;
    const std::optional<int> gap = number(parser, "gap", 0, MaxRegionGap, 1);
    if (!gap)
        return usageFailure(QStringLiteral("--gap must be a whole number from 0 to %1.").arg(MaxRegionGap));
    job.gap = *gap;
    if (const Status files = readFiles(parser, job.sources); files.failed())
        return files;
    job.radarColours = value(parser, "radar-colours");
    job.outline = parser.isSet(QStringLiteral("outline"));
    job.html = value(parser, "html");
    job.json = value(parser, "json");
    if (parser.isSet(QStringLiteral("json")) && job.json == job.html)
        return usageFailure(QStringLiteral("--html and --json name the same file."));
    return Status();
}

QString summaryLine(const JobResult& result, const ReportSummary& summary)
{
    QString line =
        QStringLiteral("report: %1 of %2 changed, in %3, %4 drawn")
            .arg(summary.changedBlocks)
            .arg(counted(result.blocks, "block", "blocks"), counted(summary.regions, "region", "regions"))
            .arg(summary.drawnRegions);
    if (summary.hasRecords)
        line += QStringLiteral("; %1").arg(
            counted(summary.noOpRecords, "record changes nothing", "records change nothing"));
    if (summary.damagedRecords > 0)
        line += QStringLiteral("; %1 could not be drawn")
                    .arg(counted(summary.damagedRecords, "record", "records"));
    line += QStringLiteral("; wrote %1").arg(result.written.join(QLatin1String(", ")));
    for (const QString& base : summary.bases)
        line += QLatin1String("; ") + base;
    if (summary.reviewsMerge)
        line += QStringLiteral("; %1 both sides changed, each its own way (ours shown)")
                    .arg(counted(summary.conflicts, "tile", "tiles"));
    return line;
}

}  // namespace

int runReportCommand(const QStringList& arguments, const CommitOptions& options)
{
    SubcommandParser parser(
        QStringLiteral("report"), QString(),
        QStringLiteral("Writes review pages of what difference files change in a facet, "
                       "or of what differs between two versions of a facet: where, before "
                       "and after, and which records change nothing. Give --map and the "
                       "map difference files, the statics files, or both; or "
                       "--reference-map and --current-map, and the four statics files; or, "
                       "for the result of merging two edited copies of a base, --base-map, "
                       "--ours-map and --theirs-map, and the six statics files: the regions "
                       "either side changed, with base, ours, theirs and result, and the "
                       "tiles both sides changed, each its own way, framed."));
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
        return parser.fail(parsed);
    ReportJob job;
    const Status read = readJob(parser, job);
    if (!read.ok())
        return parser.fail(read);

    TerminalProgress progress(QStringLiteral("report"));
    ReportSummary summary;
    const JobOutcome outcome = writeReport(job, progress, options, &summary);
    progress.conclude(outcome.succeeded());
    if (!outcome.succeeded())
        return parser.fail(outcome.failure());
    printOut(summaryLine(outcome.result(), summary));
    return ExitSuccess;
}

}  // namespace quillmark
