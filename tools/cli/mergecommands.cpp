#include "mergecommands.h"

#include "console.h"
#include "counted.h"
#include "exitstatus.h"
#include "subcommandparser.h"
#include "terminalprogress.h"
#include "usage.h"

#include "facets.h"
#include "mergejobs.h"
#include "mergetexts.h"
#include "patchcheck.h"

#include <functional>
#include <optional>
#include <vector>

namespace quillmark {

namespace {

// The tallest grid a height may give, as inspect and report take it.
constexpr int MaxHeight = 32767;

const char Sides[] =
    "A merge has three inputs: the base, the copy both sides started from; ours, one side's edited copy;\n"
    "and theirs, the other side's. Each tile's id and altitude, and the statics standing on each tile, are\n"
    "merged on their own: what only one side changed takes that side's change, what both changed alike\n"
    "takes it once, and what both changed differently is a conflict. Say the base has grass at 1030,517;\n"
    "one builder paves it (ours), the other leaves it and raises the hill at 1031,517 (theirs): the merge\n"
    "has the paving and the hill. Had the other builder also put water at 1030,517, that tile would be a\n"
    "conflict: without --prefer nothing is written but the conflicts file (--conflicts), and the exit\n"
    "status is 1; with --prefer ours or theirs, that side's tile is taken and the conflict still listed.\n"
    "The conflicts file is a JSON object whose \"conflicts\" array lists each conflicting tile, sorted by\n"
    "layer, x and y: {\"layer\": \"map\", \"x\": 1030, \"y\": 517, \"base\": {\"id\": 3, \"z\": 0},\n"
    "\"ours\": {...}, \"theirs\": {...}}, the statics layer with lists of {\"id\", \"z\", \"hue\"}.";

const char RebaseSides[] =
    "A rebase carries a patch onto a new base: ours is the patch (the reference with the difference\n"
    "files applied), theirs the new base (--onto), and the reference the base of the merge. It writes\n"
    "difference files with their manifest from the new base to the merge, so that combine of the new\n"
    "base with them gives the merge. A patch with a manifest must have been made from exactly this\n"
    "reference.";

using Options = const SubcommandParser&;
using RunMerge = std::function<MergeOutcome(Options, int facet, MapFormat, const MergeChoices&, JobProgress&,
                                            const CommitOptions&)>;

struct InputOption
{
    const char* name;
    const char* description;
};

struct MergeCommand
{
    const char* command;
    const char* kind;
    const char* description;
    std::vector<InputOption> inputs;
    RunMerge run;
    bool takesFormat = false;
};

QString text(Options options, const char* name)
{
    return options.value(QLatin1String(name));
}

MergeCommand mergeMapCommand()
{
    return {"merge",
            "map",
            "Merges two edited copies of a map file with their base and writes map<F>.mul, or "
            "map<F>LegacyMUL.uop with --format uop.",
            {{"base", "Map file both sides started from, plain or container."},
             {"ours", "Our edited map file, plain or container."},
             {"theirs", "Their edited map file, plain or container."}},
            [](Options o, int facet, MapFormat format, const MergeChoices& choices, JobProgress& progress,
               const CommitOptions& commit) {
                return mergeMaps(
                    {BaseSide<MapFiles>{{text(o, "base")}}, OursSide<MapFiles>{{text(o, "ours")}},
                     TheirsSide<MapFiles>{{text(o, "theirs")}}, text(o, "out"), facet, choices, format},
                    progress, commit);
            },
            true};
}

MergeCommand mergeStaticsCommand()
{
    return {"merge",
            "statics",
            "Merges two edited copies of a statics pair with their base and writes staidx<F>.mul and "
            "statics<F>.mul.",
            {{"base-index", "Statics index file both sides started from."},
             {"base-data", "Statics data file both sides started from."},
             {"ours-index", "Our edited statics index file."},
             {"ours-data", "Our edited statics data file."},
             {"theirs-index", "Their edited statics index file."},
             {"theirs-data", "Their edited statics data file."}},
            [](Options o, int facet, MapFormat, const MergeChoices& choices, JobProgress& progress,
               const CommitOptions& commit) {
                return mergeStatics(
                    {BaseSide<StaticsFiles>{{text(o, "base-index"), text(o, "base-data")}},
                     OursSide<StaticsFiles>{{text(o, "ours-index"), text(o, "ours-data")}},
                     TheirsSide<StaticsFiles>{{text(o, "theirs-index"), text(o, "theirs-data")}},
                     text(o, "out"), facet, choices},
                    progress, commit);
            }};
}

MergeCommand rebaseMapCommand()
{
    return {"rebase",
            "map",
            "Carries map difference files onto a new base and writes mapdifl<F>.mul, mapdif<F>.mul and their "
            "manifest.",
            {{"reference", "Map file the difference files were made from, plain or container."},
             {"difl", "Map difference locator file."},
             {"dif", "Map difference data file."},
             {"onto", "New base map file, plain or container."}},
            [](Options o, int facet, MapFormat, const MergeChoices& choices, JobProgress& progress,
               const CommitOptions& commit) {
                return rebaseMapPatch({ReferenceSide<MapFiles>{{text(o, "reference")}},
                                       {text(o, "difl"), text(o, "dif")},
                                       OntoSide<MapFiles>{{text(o, "onto")}},
                                       text(o, "out"),
                                       facet,
                                       choices},
                                      progress, commit);
            }};
}

MergeCommand rebaseStaticsCommand()
{
    return {"rebase",
            "statics",
            "Carries statics difference files onto a new base and writes stadifl<F>.mul, stadifi<F>.mul, "
            "stadif<F>.mul and their manifest.",
            {{"reference-index", "Statics index file the difference files were made from."},
             {"reference-data", "Statics data file the difference files were made from."},
             {"difl", "Statics difference locator file."},
             {"difi", "Statics difference index file."},
             {"dif", "Statics difference data file."},
             {"onto-index", "New base statics index file."},
             {"onto-data", "New base statics data file."}},
            [](Options o, int facet, MapFormat, const MergeChoices& choices, JobProgress& progress,
               const CommitOptions& commit) {
                return rebaseStaticsPatch(
                    {ReferenceSide<StaticsFiles>{{text(o, "reference-index"), text(o, "reference-data")}},
                     {text(o, "difl"), text(o, "difi"), text(o, "dif")},
                     OntoSide<StaticsFiles>{{text(o, "onto-index"), text(o, "onto-data")}},
                     text(o, "out"),
                     facet,
                     choices},
                    progress, commit);
            }};
}

const MergeCommand* findMergeCommand(const QString& command, const QString& kind)
{
    static const MergeCommand commands[] = {mergeMapCommand(), mergeStaticsCommand(), rebaseMapCommand(),
                                            rebaseStaticsCommand()};
    for (const MergeCommand& found : commands) {
        if (command == QLatin1String(found.command) && kind == QLatin1String(found.kind))
            return &found;
    }
    return nullptr;
}

void addOptions(const MergeCommand& merge, SubcommandParser& parser)
{
    for (const InputOption& input : merge.inputs)
        parser.addRequired(QLatin1String(input.name), QStringLiteral("FILE"),
                           QLatin1String(input.description));
    parser.addRequired(QStringLiteral("out"), QStringLiteral("DIR"),
                       QStringLiteral("Output directory; it must exist."));
    parser.addRequired(QStringLiteral("facet"), QStringLiteral("F"),
                       QStringLiteral("Facet of the file names and the tiles: 0 to %1, or %2.")
                           .arg(facets::Count - 1)
                           .arg(facets::nameList()));
    parser.addOptional(QStringLiteral("height"), QStringLiteral("H"),
                       QStringLiteral("Height of the facet in blocks, which places the conflicts' tiles, "
                                      "instead of the facet's."));
    parser.addOptional(QStringLiteral("prefer"), QStringLiteral("ours|theirs"),
                       QStringLiteral("Takes that side's tile where both sides changed it differently."));
    parser.addOptional(
        QStringLiteral("conflicts"), QStringLiteral("FILE"),
        QStringLiteral("Writes the conflicting tiles as JSON, also when nothing else is written."));
    if (merge.takesFormat)
        parser.addOptional(
            QStringLiteral("format"), QStringLiteral("mul|uop"),
            QStringLiteral("Form of the new map file: mul (default) or uop, a package container."));
}

// The choices the command line makes, or the usage error of the first
// option it gives wrong.
Status readChoices(Options parser, bool takesFormat, MergeChoices& choices, MapFormat& format)
{
    const QString prefer = parser.value(QStringLiteral("prefer"));
    if (parser.isSet(QStringLiteral("prefer")) && prefer != QLatin1String("ours")
        && prefer != QLatin1String("theirs"))
        return usageFailure(
            QStringLiteral("Unknown side '%1' for --prefer: use ours or theirs.").arg(prefer));
    choices.prefer = prefer == QLatin1String("ours")     ? Prefer::Ours
                     : prefer == QLatin1String("theirs") ? Prefer::Theirs
                                                         : Prefer::None;
    if (parser.isSet(QStringLiteral("height"))) {
        bool ok = false;
        choices.heightBlocks = parser.value(QStringLiteral("height")).toInt(&ok);
        if (!ok || choices.heightBlocks < 1 || choices.heightBlocks > MaxHeight)
            return usageFailure(
                QStringLiteral("--height must be a whole number from 1 to %1.").arg(MaxHeight));
    }
    choices.conflictsFile = parser.value(QStringLiteral("conflicts"));
    const QString form = takesFormat ? parser.value(QStringLiteral("format")) : QString();
    if (!form.isEmpty() && form != QLatin1String("mul") && form != QLatin1String("uop"))
        return usageFailure(QStringLiteral("Unknown format '%1' for --format: use mul or uop.").arg(form));
    format = form == QLatin1String("uop") ? MapFormat::Uop : MapFormat::Mul;
    return Status();
}

//   merge map: 1920 blocks, 40 changed by ours, 38 by theirs, 3 by both; no tiles conflict; wrote
//   out/map3.mul rebase map: 41 of 1920 blocks differ from the new base; 40 blocks changed by ours, ...;
//   wrote ...; base exact: it is the patch's reference
QString summary(const QString& label, const MergeCommand& merge, const MergeOutcome& merged)
{
    const JobResult& result = merged.outcome.result();
    const bool rebase = QLatin1String(merge.command) == QLatin1String("rebase");
    const QString size = rebase ? QStringLiteral("%1 of %2 differ from the new base")
                                      .arg(result.records)
                                      .arg(counted(result.blocks, "block"))
                                : counted(result.blocks, "block");
    QString line = QStringLiteral("%1: %2; %3; %4; wrote %5")
                       .arg(label, size, changesText(merged.figures), conflictsText(merged.figures),
                            result.written.join(QLatin1String(", ")));
    return rebase ? line + QLatin1String("; ") + baseCaseText(result.base) : line;
}

int runMerge(const MergeCommand& merge, const QStringList& arguments, const CommitOptions& commit)
{
    const QString label = QLatin1String(merge.command) + QLatin1Char(' ') + QLatin1String(merge.kind);
    const bool rebase = QLatin1String(merge.command) == QLatin1String("rebase");
    SubcommandParser parser(QLatin1String(merge.command), QLatin1String(merge.kind),
                            QLatin1String(merge.description) + QLatin1String("\n\n") + QLatin1String(Sides)
                                + (rebase ? QLatin1String("\n\n") + QLatin1String(RebaseSides) : QString()));
    addOptions(merge, parser);
    if (const Status parsed = parser.parse(arguments); parsed.failed())
        return parser.usageError(parsed.message());
    const std::optional<int> facet = parser.facet(QStringLiteral("facet"));
    if (!facet)
        return parser.usageError(unknownFacetMessage(parser.value(QStringLiteral("facet"))));
    MergeChoices choices;
    MapFormat format = MapFormat::Mul;
    if (const Status read = readChoices(parser, merge.takesFormat, choices, format); read.failed())
        return parser.usageError(read.message());

    TerminalProgress progress(label);
    const MergeOutcome merged = merge.run(parser, *facet, format, choices, progress, commit);
    progress.conclude(merged.outcome.succeeded());
    if (!merged.outcome.succeeded())
        return parser.fail(merged.outcome.failure());
    printOut(summary(label, merge, merged));
    return ExitSuccess;
}

}  // namespace

int runMergeCommand(const QString& command, const QString& kind, const QStringList& arguments,
                    const CommitOptions& options)
{
    const MergeCommand* merge = findMergeCommand(command, kind);
    if (!merge)
        return usageError(QStringLiteral("Unknown kind '%1' for %2: use map or statics.").arg(kind, command));
    return runMerge(*merge, arguments, options);
}

}  // namespace quillmark
