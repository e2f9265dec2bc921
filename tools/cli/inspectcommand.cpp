#include "inspectcommand.h"

#include "auditreport.h"
#include "blockpicture.h"
#include "console.h"
#include "counted.h"
#include "difaudit.h"
#include "exitstatus.h"
#include "subcommandparser.h"
#include "usage.h"

#include "facets.h"

namespace quillmark {

namespace {

void addPictureOptions(SubcommandParser& parser, const QString& gridFile)
{
    parser.addOptional(
        QStringLiteral("facet"), QStringLiteral("F"),
        QStringLiteral("Facet whose block grid the picture shows: 0 to %1 or a name (default %2).")
            .arg(facets::Count - 1)
            .arg(QLatin1String(facets::geometry(0).name)));
    parser.addOptional(QStringLiteral("height"), QStringLiteral("H"),
                       QStringLiteral("Height of the grid in blocks, instead of the facet's."));
    parser.addOptional(QStringLiteral("picture"), QStringLiteral("FILE.png"),
                       QStringLiteral("Draws the block grid with the listed blocks marked; as wide as the %1 "
                                      "needs when it is given, else as wide as the facet.")
                           .arg(gridFile));
}

// The facet and grid height asked for, when they are usable.
Status readGridOptions(const SubcommandParser& parser, AuditGrid& grid)
{
    if (parser.isSet(QStringLiteral("facet"))) {
        const std::optional<int> facet = parser.facet(QStringLiteral("facet"));
        if (!facet)
            return usageFailure(unknownFacetMessage(parser.value(QStringLiteral("facet"))));
        grid.facet = *facet;
    }
    grid.height = facets::geometry(grid.facet).heightBlocks;
    if (parser.isSet(QStringLiteral("height"))) {
        bool ok = false;
        const int height = parser.value(QStringLiteral("height")).toInt(&ok);
        if (!ok || height < 1 || height > MaxPictureSide)
            return usageFailure(
                QStringLiteral("--height must be a whole number from 1 to %1.").arg(MaxPictureSide));
        grid.height = height;
    }
    return Status();
}

// True when the picture was written (and described on stdout).
bool drawPicture(const QString& path, const DifAudit& audit, const QStringList& inputs,
                 const CommitOptions& options)
{
    if (const Status written = writeBlockPicture(path, audit.marks, inputs, options); written.failed()) {
        (void)reportFailure(written);
        return false;
    }
    QString line = QStringLiteral("picture: %1, %2 x %3 blocks, %4 marked")
                       .arg(path)
                       .arg(audit.marks.width())
                       .arg(audit.marks.height())
                       .arg(counted(audit.marks.count(), "changed block", "changed blocks"));
    if (audit.recordsOffGrid > 0)
        line += QStringLiteral(", %1 outside the picture not drawn")
                    .arg(counted(audit.recordsOffGrid, "record", "records"));
    printOut(line);
    return true;
}

int inspect(const QString& kind, SubcommandParser& parser, const QStringList& arguments,
            const CommitOptions& options)
{
    if (const Status parsed = parser.parse(arguments); parsed.failed())
        return parser.fail(parsed);
    AuditGrid grid;
    if (const Status gridOptions = readGridOptions(parser, grid); gridOptions.failed())
        return parser.fail(gridOptions);

    const auto value = [&parser](const char* name) { return parser.value(QLatin1String(name)); };
    const DifAudit audit =
        kind == QLatin1String("map")
            ? auditMapDif({value("difl"), value("dif"), value("map")}, grid, options)
            : auditStaticsDif({value("difl"), value("difi"), value("dif"), value("index")}, grid, options);
    if (audit.status.failed())
        return parser.fail(audit.status);
    printAudit(QStringLiteral("inspect %1:").arg(kind), audit);
    bool pictureOk = true;
    if (parser.isSet(QStringLiteral("picture"))) {
        QStringList inputs;
        const QStringList names = kind == QLatin1String("map") ? QStringList{"difl", "dif", "map"}
                                                               : QStringList{"difl", "difi", "dif", "index"};
        for (const QString& name : names) {
            if (parser.isSet(name))
                inputs << parser.value(name);
        }
        pictureOk = drawPicture(value("picture"), audit, inputs, options);
    }
    printOut(verdictLine(audit.findings.total()));
    return audit.findings.total() == 0 && pictureOk ? ExitSuccess : ExitFailed;
}

}  // namespace

int runInspectCommand(const QString& kind, const QStringList& arguments, const CommitOptions& options)
{
    const QString command = QStringLiteral("inspect");
    if (kind == QLatin1String("map")) {
        SubcommandParser parser(command, kind,
                                QStringLiteral("Checks map difference files without writing any."));
        parser.addRequired(QStringLiteral("difl"), QStringLiteral("FILE"),
                           QStringLiteral("Map difference locator file."));
        parser.addRequired(QStringLiteral("dif"), QStringLiteral("FILE"),
                           QStringLiteral("Map difference data file."));
        parser.addOptional(
            QStringLiteral("map"), QStringLiteral("FILE"),
            QStringLiteral("Map file the differences are for: block numbers must lie inside it."));
        addPictureOptions(parser, QStringLiteral("map"));
        return inspect(kind, parser, arguments, options);
    }
    if (kind == QLatin1String("statics")) {
        SubcommandParser parser(command, kind,
                                QStringLiteral("Checks statics difference files without writing any."));
        parser.addRequired(QStringLiteral("difl"), QStringLiteral("FILE"),
                           QStringLiteral("Statics difference locator file."));
        parser.addRequired(QStringLiteral("difi"), QStringLiteral("FILE"),
                           QStringLiteral("Statics difference index file."));
        parser.addRequired(QStringLiteral("dif"), QStringLiteral("FILE"),
                           QStringLiteral("Statics difference data file."));
        parser.addOptional(
            QStringLiteral("index"), QStringLiteral("FILE"),
            QStringLiteral("Statics index file the differences are for: block numbers must lie inside it."));
        addPictureOptions(parser, QStringLiteral("index"));
        return inspect(kind, parser, arguments, options);
    }
    return usageError(QStringLiteral("Unknown kind '%1' for inspect: use map or statics.").arg(kind));
}

}  // namespace quillmark
