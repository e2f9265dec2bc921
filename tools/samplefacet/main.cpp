// quillmark-sample: makes a synthetic reference facet and an edited copy of it,
// and checks that a combination reproduced the edited copy.
//
//   quillmark-sample make [--dir DIR] [--facet F] [--width W] [--height H] [--full]
//                         [--changed S] [--emptied S] [--new S] [--seed N] [--uop]
//   quillmark-sample verify [--edited-map FILE --combined-map FILE]
//                           [--edited-index FILE --edited-data FILE --combined-index FILE --combined-data
//                           FILE]
//
// Exit status: 0 done / match, 1 failure / mismatch, 2 usage error.

#include "console.h"
#include "exitstatus.h"
#include "facetcheck.h"
#include "facets.h"
#include "filesizesignal.h"
#include "samplefacet.h"
#include "status.h"
#include "usage.h"

#include <QCommandLineParser>
#include <QCoreApplication>

using namespace quillmark;

namespace {

// Parses the arguments after the command name with the command's options.
Status parseCommand(QCommandLineParser& parser, const QString& command, const QStringList& arguments)
{
    parser.addHelpOption();
    parser.addPositionalArgument(command, QString(), command + QLatin1String(" [options]"));
    if (!parser.parse(arguments))
        return usageFailure(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        printHelpAndExit(parser);
    if (parser.positionalArguments().size() > 1)
        return usageFailure(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().at(1)));
    return Status();
}

// Option `name` as a number from `low` to `high` into `value`, when it is given.
Status readNumber(const QCommandLineParser& parser, const char* name, double low, double high, double* value)
{
    if (!parser.isSet(QLatin1String(name)))
        return Status();
    bool ok = false;
    const double number = parser.value(QLatin1String(name)).toDouble(&ok);
    if (!ok || number < low || number > high)
        return usageFailure(QStringLiteral("--%1 must be a number from %2 to %3")
                                .arg(QLatin1String(name))
                                .arg(low)
                                .arg(high));
    *value = number;
    return Status();
}

// Block counts and seeds: whole numbers only.
Status readWholeNumber(const QCommandLineParser& parser, const char* name, double low, double high,
                       double* value)
{
    const Status status = readNumber(parser, name, low, high, value);
    if (status.ok() && *value != double(qint64(*value)))
        return usageFailure(QStringLiteral("--%1 must be a whole number").arg(QLatin1String(name)));
    return status;
}

void addMakeOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Writes a sample reference facet and an edited copy of it."));
    parser.addOptions({
        {QStringLiteral("dir"), QStringLiteral("Directory to write into (default sample-facet)."),
         QStringLiteral("DIR"), QStringLiteral("sample-facet")},
        {QStringLiteral("facet"), QStringLiteral("Facet, 0 to 5 or a name (default Felucca)."),
         QStringLiteral("F"), QStringLiteral("0")},
        {QStringLiteral("width"), QStringLiteral("Width in blocks (default 64)."), QStringLiteral("W")},
        {QStringLiteral("height"), QStringLiteral("Height in blocks (default 64)."), QStringLiteral("H")},
        {QStringLiteral("full"), QStringLiteral("The facet's full size (Felucca: 896 x 512 blocks).")},
        {QStringLiteral("changed"), QStringLiteral("Share of blocks edited (default 0.02)."),
         QStringLiteral("S")},
        {QStringLiteral("emptied"), QStringLiteral("Share of blocks whose statics go (default 0.005)."),
         QStringLiteral("S")},
        {QStringLiteral("new"), QStringLiteral("Share of blocks that gain statics (default 0.005)."),
         QStringLiteral("S")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the facet (default 1)."), QStringLiteral("N")},
        {QStringLiteral("uop"),
         QStringLiteral("Writes the reference map as a package container, map<F>LegacyMUL.uop.")},
    });
}

Status readMakeOptions(const QCommandLineParser& parser, SampleFacetOptions& options)
{
    options.directory = parser.value(QStringLiteral("dir"));
    if (parser.isSet(QStringLiteral("uop")))
        options.referenceMapFormat = MapFormat::Uop;
    const std::optional<int> facet = facets::fromText(parser.value(QStringLiteral("facet")));
    if (!facet)
        return usageFailure(QStringLiteral("Unknown facet '%1'.").arg(parser.value(QStringLiteral("facet"))));
    options.facet = *facet;
    if (parser.isSet(QStringLiteral("full"))) {
        options.widthBlocks = facets::geometry(options.facet).widthBlocks;
        options.heightBlocks = facets::geometry(options.facet).heightBlocks;
    }
    double width = options.widthBlocks;
    double height = options.heightBlocks;
    double seed = options.seed;
    for (const Status& status : {readWholeNumber(parser, "width", 1, 4096, &width),
                                 readWholeNumber(parser, "height", 1, 4096, &height),
                                 readNumber(parser, "changed", 0, 1, &options.changedShare),
                                 readNumber(parser, "emptied", 0, 1, &options.emptiedShare),
                                 readNumber(parser, "new", 0, 1, &options.newShare),
                                 readWholeNumber(parser, "seed", 0, 4294967295.0, &seed)}) {
        if (!status.ok())
            return status;
    }
    options.widthBlocks = int(width);
    options.heightBlocks = int(height);
    options.seed = quint32(seed);
    return checkSampleFacetOptions(options);
}

int make(const QStringList& arguments)
{
    QCommandLineParser parser;
    addMakeOptions(parser);
    SampleFacetOptions options;
    Status status = parseCommand(parser, QStringLiteral("make"), arguments);
    if (status.ok())
        status = readMakeOptions(parser, options);
    if (!status.ok())
        return reportFailure(status);

    const SampleFacetResult result = writeSampleFacet(options);
    if (!result.status.ok())
        return reportFailure(result.status);
    const SampleFacetSummary& made = result.summary;
    printOut(QStringLiteral("made a sample %1 facet of %2 x %3 blocks: %4 map blocks and %5 statics blocks "
                            "differ (%6 edited, %7 emptied, %8 new)")
                 .arg(QLatin1String(facets::geometry(options.facet).name))
                 .arg(options.widthBlocks)
                 .arg(options.heightBlocks)
                 .arg(made.mapBlocksDiffering)
                 .arg(made.staticsBlocksDiffering)
                 .arg(made.staticsEdited)
                 .arg(made.staticsEmptied)
                 .arg(made.staticsAdded));
    printOut(
        QStringLiteral("reference: %1/reference, edited copy: %1/current").arg(options.directory)
        + (options.referenceMapFormat == MapFormat::Uop
               ? QStringLiteral("; the reference map is a container: %1").arg(referenceFiles(options).map)
               : QString()));
    return ExitSuccess;
}

// A side is checked when any of its options is given; then all of them are needed.
Status readVerifySides(const QCommandLineParser& parser, const QList<QStringList>& sides)
{
    bool anySide = false;
    for (const QStringList& side : sides) {
        bool given = false;
        for (const QString& name : side)
            given = given || parser.isSet(name);
        for (const QString& name : side) {
            if (given && !parser.isSet(name))
                return usageFailure(QStringLiteral("Missing option --%1.").arg(name));
        }
        anySide = anySide || given;
    }
    if (!anySide)
        return usageFailure(
            QStringLiteral("Nothing to verify: give the map files, the statics files or both."));
    return Status();
}

int verify(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Checks combined files against the edited facet they "
                                                    "should reproduce; a map file may be a container."));
    const QStringList mapOptions{QStringLiteral("edited-map"), QStringLiteral("combined-map")};
    const QStringList staticsOptions{QStringLiteral("edited-index"), QStringLiteral("edited-data"),
                                     QStringLiteral("combined-index"), QStringLiteral("combined-data")};
    for (const QString& name : mapOptions + staticsOptions)
        parser.addOption(
            {name,
             QStringLiteral("The %1 file.").arg(QString(name).replace(QLatin1Char('-'), QLatin1Char(' '))),
             QStringLiteral("FILE")});
    Status status = parseCommand(parser, QStringLiteral("verify"), arguments);
    if (status.ok())
        status = readVerifySides(parser, {mapOptions, staticsOptions});
    if (!status.ok())
        return reportFailure(status);

    bool match = true;
    const auto report = [&match](const char* side, const FacetCheck& check) {
        match = match && check.status.ok();
        printOut(check.status.ok() ? QStringLiteral("%1: all %2 blocks match the edited facet")
                                         .arg(QLatin1String(side))
                                         .arg(check.blocks)
                                   : QStringLiteral("%1: %2").arg(QLatin1String(side), check.status.text()));
    };
    const auto value = [&parser](const char* name) { return parser.value(QLatin1String(name)); };
    if (parser.isSet(mapOptions.first()))
        report("map", checkCombinedMap(value("edited-map"), value("combined-map")));
    if (parser.isSet(staticsOptions.first()))
        report("statics", checkCombinedStatics(value("edited-index"), value("edited-data"),
                                               value("combined-index"), value("combined-data")));
    printOut(match ? QStringLiteral("verdict: match") : QStringLiteral("verdict: mismatch"));
    return match ? ExitSuccess : ExitFailed;
}

}  // namespace

int main(int argc, char** argv)
{
    quillmark::ignoreFileSizeSignal();
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quillmark-sample"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMARK_VERSION));

    if (const Status encoded = checkArgumentEncoding(argc, argv); encoded.failed())
        return reportFailure(encoded);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Sample facets for trying out and testing Quillmark."));
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("make: write a sample facet; verify: check combined files."));
    const Status parsed = parseProgramLine(parser, application.arguments());
    if (!parsed.ok())
        return reportFailure(parsed);
    const QStringList positional = parser.positionalArguments();
    const QStringList rest = QStringList{application.arguments().first()} + positional;
    if (positional.first() == QLatin1String("make"))
        return make(rest);
    if (positional.first() == QLatin1String("verify"))
        return verify(rest);
    return usageError(QStringLiteral("Unknown command '%1'.").arg(positional.first()));
}
