#include "reportjob.h"

#include "basechecks.h"
#include "blockdiff.h"
#include "frontpage.h"
#include "jsonfacts.h"
#include "overview.h"
#include "palette.h"
#include "radarcolours.h"
#include "regions.h"
#include "regionwriter.h"

#include "blockwalk.h"
#include "facets.h"
#include "jobmessages.h"
#include "pngdata.h"
#include "stagedfile.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <optional>

namespace quillmark {

namespace {

// The overview shows each block by its middle cell: the land is smooth
// enough for that, and it costs one cell a block.
constexpr int MiddleCell = (TilesPerSide / 2) * TilesPerSide + TilesPerSide / 2;

// The walk over every block: the blocks that change and by how much, the
// records that change nothing or could not be drawn whole, the overview's
// colours.
class Scan
{
public:
    Scan(ReportInputs& inputs, ReportFacts& facts, const Palette& palette, Overview& overview,
         BaseChecks& bases)
        : m_inputs(inputs), m_facts(facts), m_palette(palette), m_overview(overview), m_bases(bases)
    {}

    Status step(qint64 block)
    {
        if (const Status read = m_inputs.read(block, Access::InOrder, m_bases.needsAllStatics(), m_bytes);
            read.failed())
            return read;
        m_bases.add(block, m_bytes);
        if (m_overview.samples(block))
            m_overview.setColour(block, m_palette.overviewLand(middleCell(m_bytes.cellsBefore)));
        if (!m_bytes.mapCompared && !m_bytes.staticsCompared)
            return Status();
        const TileRect tiles = m_facts.tilesOf(block);
        const BlockChanges& changes = m_comparer.compare(m_bytes, tiles.x, tiles.y);
        if (m_bytes.mapRecord >= 0 && changes.land.empty())
            noOp({NoOpRecord::File::Map, m_bytes.mapRecord, block, NoOpRecord::Reason::SameCells});
        if (m_bytes.staticsRecord >= 0 && changes.added.empty() && changes.removed.empty())
            noOp({NoOpRecord::File::Statics, m_bytes.staticsRecord, block, NoOpRecord::Reason::SameStatics});
        if (changes.damageBefore.any())
            damaged({DamagedRecord::Source::ReferenceStatics, -1, block, changes.damageBefore.reason()});
        if (changes.damageAfter.any())
            damaged({m_bytes.staticsRecord >= 0 ? DamagedRecord::Source::StaticsRecord
                     : m_facts.reviewsMerge     ? DamagedRecord::Source::MergedStatics
                                                : DamagedRecord::Source::CurrentStatics,
                     m_bytes.staticsRecord, block, changes.damageAfter.reason()});
        // A conflict is shown even where ours only put a tile's statics in another order.
        const quint64 conflicts = conflictsOf(block);
        if (changes.any() || conflicts != 0) {
            m_facts.changed.push_back(changes.summary(qint32(block), conflicts));
            m_facts.landCells += qint64(changes.land.size());
            m_facts.staticsAdded += qint64(changes.added.size());
            m_facts.staticsRemoved += qint64(changes.removed.size());
        }
        return Status();
    }

private:
    // The tiles of `block` whose merge conflicts, noted in the facts.
    quint64 conflictsOf(qint64 block)
    {
        const MergeBytes& merge = m_bytes.merge;
        if ((merge.mapConflicts | merge.staticsConflicts) == 0)
            return 0;
        m_facts.conflictingBlocks.push_back({qint32(block), merge.mapConflicts, merge.staticsConflicts});
        m_facts.mapConflicts += qPopulationCount(merge.mapConflicts);
        m_facts.staticsConflicts += qPopulationCount(merge.staticsConflicts);
        return merge.mapConflicts | merge.staticsConflicts;
    }

    static LandCell middleCell(const char* cells)
    {
        const char* cell = cells + qsizetype(MiddleCell) * LandCellSize;
        return {qFromLittleEndian<quint16>(cell), qint8(cell[2])};
    }

    void noOp(const NoOpRecord& record)
    {
        ++m_facts.noOpRecords;
        if (qint64(m_facts.noOpShown.size()) < NoOpRecordsShown)
            m_facts.noOpShown.push_back(record);
    }

    void damaged(DamagedRecord record)
    {
        ++m_facts.damagedRecords;
        if (qint64(m_facts.damagedShown.size()) < NoOpRecordsShown)
            m_facts.damagedShown.push_back(std::move(record));
    }

    ReportInputs& m_inputs;
    ReportFacts& m_facts;
    const Palette& m_palette;
    Overview& m_overview;
    BaseChecks& m_bases;
    BlockComparer m_comparer;
    BlockBytes m_bytes;
};

// After the walk: the records no combination uses, and the regions.
Status completeFacts(ReportInputs& inputs, ReportFacts& facts, int gap)
{
    if (const Status read = inputs.unusedRecords(NoOpRecordsShown, facts.noOpShown, facts.noOpRecords);
        read.failed())
        return read;
    std::sort(facts.noOpShown.begin(), facts.noOpShown.end(), [](const NoOpRecord& a, const NoOpRecord& b) {
        return a.file != b.file ? a.file < b.file : a.ordinal < b.ordinal;
    });
    if (qint64(facts.noOpShown.size()) > NoOpRecordsShown)
        facts.noOpShown.resize(size_t(NoOpRecordsShown));
    groupRegions(facts, gap);
    return Status();
}

// The overview as the page shows it.
Status overviewImage(const Overview& overview, const ReportFacts& facts, OverviewImage& image)
{
    const Picture picture = overview.draw(facts, image.links);
    if (picture.isNull())
        return pictureOutOfMemory();
    image.png = encodePng(picture);
    if (image.png.isEmpty())
        return pictureOutOfMemory();
    image.size = QSize(picture.width(), picture.height());
    image.blocksPerPixel = overview.blocksPerPixel();
    for (const BaseFinding& base : facts.bases) {
        for (const qint64 block : base.verdict.conflicts) {
            if (facts.holds(block))
                image.conflicts.push_back(
                    {base.kind, block, overview.conflictFrame(facts.blockX(block), facts.blockY(block))});
        }
    }
    return Status();
}

QString facetName(const ReportJob& job)
{
    return QLatin1String(facets::geometry(job.facet).name);
}

// The most the first page's own sections take, wherever the regions lie.
qint64 frontBound(const ReportFacts& facts, const PageContext& context, const OverviewImage& overview,
                  const QString& firstPage)
{
    PagePlaces farthest;
    farthest.pages << firstPage << PageSet::pageName(firstPage, 9999);
    farthest.pageOf.assign(facts.regions.size(), 1);
    Html html;
    writeFrontPage(html, facts, context, overview, farthest);
    return html.size();
}

// How many pieces the regions' sections make, and the most they take.
std::pair<qint64, qint64> piecesOf(const ReportFacts& facts, bool outline)
{
    // The blocks that do not fit the patch, counted by their region.
    std::vector<qint64> conflicts(facts.regions.size(), 0);
    const RegionFinder finder(facts);
    for (const BaseFinding& base : facts.bases) {
        for (const qint64 block : base.verdict.conflicts) {
            if (const qint64 region = finder.regionOf(block); region >= 0)
                ++conflicts[size_t(region)];
        }
    }
    const std::vector<qint64> mergeTiles = mergeTilesByRegion(facts);
    qint64 pieces = 0, mostBytes = 0;
    for (size_t r = 0; r < facts.regions.size(); ++r) {
        const std::vector<PicturePart> parts = partsOf(facts.regions[r], facts, outline);
        pieces += qint64(parts.size());
        mostBytes += regionSectionBound(parts.front(), conflicts[r], mergeTiles[r]);
        for (size_t p = 1; p < parts.size(); ++p)
            mostBytes += detailSectionBound(parts[p], conflicts[r], mergeTiles[r]);
    }
    return {pieces, mostBytes};
}

// Everything the walk found, written: the facts, when asked for, region by
// region; the regions' sections onto the pages; then the first page.
struct Documents
{
    const ReportJob& job;
    ReportInputs& inputs;
    const ReportFacts& facts;
    const Palette& palette;
    BlockWalk& walk;
    PageSet& pages;
    Output* json;

    // The facts after the regions: the pages, and a merge's conflicts as its conflicts file lists them.
    Status endFacts(JsonFacts& jsonFacts)
    {
        jsonFacts.endRegions(pages.places().pages);
        if (facts.reviewsMerge) {
            qint64 items = 0;
            if (const Status listed =
                    inputs.writeConflicts(facts.conflictingBlocks, jsonFacts.beginMergeConflicts(), items);
                listed.failed())
                return listed;
            jsonFacts.endMergeConflicts(items);
        }
        jsonFacts.end();
        return Status();
    }

    Status write(const Overview& overview, QStringList& written)
    {
        OverviewImage image;
        if (const Status drawn = overviewImage(overview, facts, image); drawn.failed())
            return drawn;
        const PageContext context{facetName(job), inputs.filesRows(), job.radarColours, job.gap,
                                  inputs.side().hasRecords()};
        const PageSet::Front front = [&](const PagePlaces& places) {
            Html html;
            writeFrontPage(html, facts, context, image, places);
            return html.take();
        };
        const auto [pieces, mostBytes] = piecesOf(facts, job.outline);
        pages.begin(facts.regions.size(), pieces, mostBytes,
                    frontBound(facts, context, image, pages.places().pages.front()), front);
        std::optional<JsonFacts> jsonFacts;
        if (json) {
            jsonFacts.emplace(*json);
            jsonFacts->begin(facts);
        }
        const PictureStyle style{palette, job.outline};
        RegionWriter writer(inputs, facts, style, json ? &*jsonFacts : nullptr,
                            linkTo(pages.places().pages.front()));
        for (size_t r = 0; r < facts.regions.size(); ++r) {
            if (const Status done = writer.write(r, pages); done.failed())
                return done;
        }
        pages.finish(front);
        if (jsonFacts) {
            if (const Status ended = endFacts(*jsonFacts); ended.failed())
                return ended;
        }
        const QDir folder = QFileInfo(job.html).dir();
        written << job.html;
        for (qsizetype page = 1; page < pages.places().pages.size(); ++page)
            written << folder.filePath(pages.places().pages[page]);
        return Status();
    }
};

// The facts before the walk: the facet's shape, in blocks, and the partial
// records the files end in.
ReportFacts shapeOf(const ReportJob& job, const ReportInputs& inputs, qint64 heightBlocks)
{
    ReportFacts facts;
    facts.facet = job.facet;
    facts.heightBlocks = heightBlocks;
    facts.widthBlocks = inputs.mapBlocks() / heightBlocks;
    facts.reviewsMerge = job.sources.reviewsMerge();
    facts.damagedShown = inputs.side().partialRecords();
    facts.damagedRecords = qint64(facts.damagedShown.size());
    return facts;
}

// The walk over the facet, then the documents, into the walk's outputs.
void walkAndWrite(Documents& documents, ReportFacts& facts, QStringList& written)
{
    ReportInputs& inputs = documents.inputs;
    Overview overview(facts.widthBlocks, facts.heightBlocks);
    BaseChecks bases(inputs);
    Scan scan(inputs, facts, documents.palette, overview, bases);
    if (!documents.walk.eachBlock(inputs.mapBlocks(), [&scan](qint64 block) { return scan.step(block); }))
        return;
    facts.bases = bases.conclude(inputs.mapBlocks());
    Status done = completeFacts(inputs, facts, documents.job.gap);
    if (done.ok())
        done = documents.write(overview, written);
    documents.walk.fail(done);
}

JobOutcome run(const ReportJob& job, JobProgress& progress, const CommitOptions& options,
               ReportSummary* summary)
{
    const qint64 heightBlocks =
        job.heightBlocks > 0 ? job.heightBlocks : facets::geometry(job.facet).heightBlocks;
    ReportInputs inputs(job.sources, *options.files);
    if (const Status opened = inputs.open(options, heightBlocks); opened.failed())
        return JobOutcome::failure(opened);
    std::vector<quint16> radar;
    if (!job.radarColours.isEmpty()) {
        if (const Status read = readRadarColours(job.radarColours, Palette::RadarEntries, options, radar);
            read.failed())
            return JobOutcome::failure(read);
    }
    const Palette palette(std::move(radar));
    ReportFacts facts = shapeOf(job, inputs, heightBlocks);

    StagedFile html(job.html, *options.files);
    StagedFile json(job.json, *options.files);
    const bool withJson = !job.json.isEmpty();
    BlockWalk walk = withJson ? BlockWalk(progress, options, {&html, &json}, jobmessage::UnableToWriteReport)
                              : BlockWalk(progress, options, {&html}, jobmessage::UnableToWriteReport);
    FileRoles roles;
    for (const QString& path : inputs.paths())
        roles.reads(path);
    if (!job.radarColours.isEmpty())
        roles.reads(job.radarColours);
    if (const Status created = walk.createOutputs(jobmessage::UnableToCreateReport, roles); created.failed())
        return JobOutcome::failure(created);
    PageSet pages(
        html, *options.files,
        [&walk, &roles](Output& page) {
            return walk.addOutput(page, jobmessage::UnableToCreateReport, roles);
        },
        QStringLiteral("Quillmark report: %1").arg(facetName(job)));
    QStringList written;
    Documents documents{job, inputs, facts, palette, walk, pages, withJson ? &json : nullptr};
    walkAndWrite(documents, facts, written);
    if (withJson)
        written << json.target();
    JobResult result{inputs.mapBlocks(), qint64(facts.changed.size()), 0, written};
    // The report's inputs live inside it; closed here, before the outputs may take the place of one.
    inputs.close();
    const JobOutcome outcome = walk.finish({}, std::move(result));
    if (summary) {
        *summary = {qint64(facts.changed.size()),
                    qint64(facts.regions.size()),
                    qint64(facts.regions.size()),
                    facts.noOpRecords,
                    facts.damagedRecords,
                    inputs.side().hasRecords(),
                    {},
                    facts.reviewsMerge,
                    facts.mapConflicts + facts.staticsConflicts};
        for (const BaseFinding& base : facts.bases)
            summary->bases << baseText(base, facts.heightBlocks);
    }
    return outcome;
}

}  // namespace

JobOutcome writeReport(const ReportJob& job, JobProgress& progress, const CommitOptions& options,
                       ReportSummary* summary)
{
    return withMemoryGuard(jobmessage::UnableToWriteReport,
                           [&] { return run(job, progress, options, summary); });
}

}  // namespace quillmark
