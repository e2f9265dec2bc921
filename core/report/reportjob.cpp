#include "reportjob.h"

#include "basechecks.h"
#include "blockdiff.h"
#include "htmlpage.h"
#include "jsonfacts.h"
#include "overview.h"
#include "pagebudget.h"
#include "palette.h"
#include "regionpicture.h"
#include "regions.h"

#include "blockwalk.h"
#include "facets.h"
#include "jobmessages.h"
#include "pngdata.h"
#include "stagedfile.h"

#include <QtEndian>

#include <algorithm>
#include <functional>
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
        const BlockChanges& changes = m_comparer.compare(m_bytes, m_facts.blockX(block) * TilesPerSide,
                                                         m_facts.blockY(block) * TilesPerSide);
        if (m_bytes.mapRecord >= 0 && changes.land.empty())
            noOp({NoOpRecord::File::Map, m_bytes.mapRecord, block, NoOpRecord::Reason::SameCells});
        if (m_bytes.staticsRecord >= 0 && changes.added.empty() && changes.removed.empty())
            noOp({NoOpRecord::File::Statics, m_bytes.staticsRecord, block, NoOpRecord::Reason::SameStatics});
        if (changes.damageBefore.any())
            damaged({DamagedRecord::Source::ReferenceStatics, -1, block, changes.damageBefore.reason()});
        if (changes.damageAfter.any())
            damaged({m_bytes.staticsRecord >= 0 ? DamagedRecord::Source::StaticsRecord
                                                : DamagedRecord::Source::CurrentStatics,
                     m_bytes.staticsRecord, block, changes.damageAfter.reason()});
        if (changes.any()) {
            m_facts.changed.push_back({qint32(block), quint8(changes.land.size()),
                                       quint32(changes.added.size()), quint32(changes.removed.size())});
            m_facts.landCells += qint64(changes.land.size());
            m_facts.staticsAdded += qint64(changes.added.size());
            m_facts.staticsRemoved += qint64(changes.removed.size());
        }
        return Status();
    }

private:
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

// The size of `png` as base64 in the page.
qint64 inPage(const QByteArray& png)
{
    return (qint64(png.size()) + 2) / 3 * 4;
}

// Each region in turn: all its changes into the JSON facts, and, while the
// page's budget lasts, its pictures and the first of its changes kept for
// the page.
class RegionWriter
{
public:
    RegionWriter(ReportInputs& inputs, const ReportFacts& facts, const PictureStyle& style, JsonFacts* json)
        : m_inputs(inputs), m_facts(facts), m_style(style), m_json(json)
    {}

    Status write(size_t index, PageRegions& page)
    {
        const Region& region = m_facts.regions[index];
        const PictureArea area =
            pictureArea(region, m_facts.widthBlocks * TilesPerSide, m_facts.heightBlocks * TilesPerSide);
        const qint64 pixels = 3 * area.pixels();
        RegionDrawing drawing = area.drawable() ? RegionDrawing::Drawn : RegionDrawing::TooLarge;
        if (drawing == RegionDrawing::Drawn && !m_budget.admitsPixels(pixels)) {
            m_budget.close();
            drawing = RegionDrawing::PastBudget;
        }
        DrawnRegion drawn{index, area, {}, {}};
        const bool pictured = drawing == RegionDrawing::Drawn;
        if (const Status listed = m_json     ? writeJson(region, pictured ? &drawn.lists : nullptr)
                                  : pictured ? collect(region, drawn.lists)
                                             : Status();
            listed.failed())
            return listed;
        if (pictured) {
            if (const Status drawnOk = draw(area, drawn); drawnOk.failed())
                return drawnOk;
            if (!m_budget.take(pixels, inPage(drawn.png[0]) + inPage(drawn.png[1]) + inPage(drawn.png[2])))
                drawing = RegionDrawing::PastBudget;
        }
        page.drawing.push_back(drawing);
        if (drawing == RegionDrawing::Drawn)
            page.drawn.push_back(std::move(drawn));
        return Status();
    }

private:
    using Visit = std::function<bool(const BlockChanges&)>;

    Status draw(const PictureArea& area, DrawnRegion& drawn)
    {
        if (const Status painted = drawRegion(area, m_facts.heightBlocks, m_style, m_inputs, m_pictures);
            painted.failed())
            return painted;
        const Picture* sides[3] = {&m_pictures.before, &m_pictures.after, &m_pictures.changes};
        for (size_t side = 0; side < 3; ++side) {
            drawn.png[side] = encodePng(*sides[side]);
            if (drawn.png[side].isEmpty())
                return pictureOutOfMemory();
        }
        return Status();
    }

    // visit(changes) for each changed block of the region, in block order,
    // until it returns false.
    Status visit(const Region& region, const Visit& visitBlock)
    {
        for (qint64 i = region.firstBlock; i < region.firstBlock + region.blocks; ++i) {
            const qint64 block = m_facts.regionBlocks[size_t(i)];
            if (const Status read = m_inputs.read(block, Access::Anywhere, false, m_bytes); read.failed())
                return read;
            if (!visitBlock(m_comparer.compare(m_bytes, m_facts.blockX(block) * TilesPerSide,
                                               m_facts.blockY(block) * TilesPerSide)))
                break;
        }
        return Status();
    }

    template <typename Item>
    static bool keep(std::vector<Item>& list, const Item& item)
    {
        if (list.size() < ListedChanges)
            list.push_back(item);
        return list.size() < ListedChanges;
    }

    // The first changes of each kind, for the page alone.
    Status collect(const Region& region, RegionLists& lists)
    {
        return visit(region, [&lists](const BlockChanges& changes) {
            for (const LandCellChange& change : changes.land)
                keep(lists.land, change);
            for (const StaticItem& item : changes.added)
                keep(lists.added, item);
            for (const StaticItem& item : changes.removed)
                keep(lists.removed, item);
            return lists.land.size() < ListedChanges || lists.added.size() < ListedChanges
                   || lists.removed.size() < ListedChanges;
        });
    }

    // Every change into the JSON facts, a list at a time, and the first of
    // each into `lists` when the page shows them.
    Status writeJson(const Region& region, RegionLists* lists)
    {
        m_json->beginRegion(region);
        Status written = visit(region, [this, lists](const BlockChanges& changes) {
            for (const LandCellChange& change : changes.land) {
                m_json->landCell(change);
                if (lists)
                    keep(lists->land, change);
            }
            return true;
        });
        const auto statics = [this, &region](auto member, std::vector<StaticItem>* kept) {
            return visit(region, [this, member, kept](const BlockChanges& changes) {
                for (const StaticItem& item : changes.*member) {
                    m_json->staticItem(item);
                    if (kept)
                        keep(*kept, item);
                }
                return true;
            });
        };
        m_json->beginStaticsAdded();
        if (written.ok())
            written = statics(&BlockChanges::added, lists ? &lists->added : nullptr);
        m_json->beginStaticsRemoved();
        if (written.ok())
            written = statics(&BlockChanges::removed, lists ? &lists->removed : nullptr);
        m_json->endRegion();
        return written;
    }

    ReportInputs& m_inputs;
    const ReportFacts& m_facts;
    const PictureStyle& m_style;
    JsonFacts* m_json;
    PageBudget m_budget;
    RegionPictures m_pictures;
    BlockComparer m_comparer;
    BlockBytes m_bytes;
};

// The overview as the page shows it, now that it is known which regions are drawn.
Status overviewImage(const Overview& overview, const ReportFacts& facts, const PageRegions& regions,
                     OverviewImage& image)
{
    const Picture picture = overview.draw(facts, regions.drawing, PageBudget::ListedRegions, image.links);
    if (picture.isNull())
        return pictureOutOfMemory();
    image.png = encodePng(picture);
    if (image.png.isEmpty())
        return pictureOutOfMemory();
    image.size = QSize(picture.width(), picture.height());
    image.blocksPerPixel = overview.blocksPerPixel();
    return Status();
}

// The facts, when `jsonFile` is given, region by region, then the page.
Status writeDocuments(const ReportJob& job, ReportInputs& inputs, const ReportFacts& facts,
                      const Palette& palette, const Overview& overview, Output& htmlFile, Output* jsonFile,
                      qint64& drawnRegions)
{
    std::optional<JsonFacts> json;
    if (jsonFile) {
        json.emplace(*jsonFile);
        json->begin(facts);
    }
    const PictureStyle style{palette, job.outline};
    RegionWriter writer(inputs, facts, style, json ? &*json : nullptr);
    PageRegions regions;
    for (size_t r = 0; r < facts.regions.size(); ++r) {
        if (const Status written = writer.write(r, regions); written.failed())
            return written;
    }
    if (json)
        json->end();
    OverviewImage image;
    if (const Status drawn = overviewImage(overview, facts, regions, image); drawn.failed())
        return drawn;
    const PageContext context{QLatin1String(facets::geometry(job.facet).name), job.sources, job.radarColours,
                              job.gap, job.outline};
    HtmlPage(htmlFile).write(facts, context, regions, image);
    drawnRegions = qint64(regions.drawn.size());
    return Status();
}

// The facts before the walk: the facet's shape, in blocks, and the partial
// records the files end in.
ReportFacts shapeOf(const ReportJob& job, const ReportInputs& inputs, qint64 heightBlocks)
{
    ReportFacts facts;
    facts.facet = job.facet;
    facts.heightBlocks = heightBlocks;
    facts.widthBlocks = inputs.mapBlocks() / heightBlocks;
    facts.damagedShown = inputs.partialRecords();
    facts.damagedRecords = qint64(facts.damagedShown.size());
    return facts;
}

// The walk over the facet, then the documents, into the walk's outputs.
void walkAndWrite(const ReportJob& job, ReportInputs& inputs, const Palette& palette, ReportFacts& facts,
                  BlockWalk& walk, Output& html, Output* json, qint64& drawnRegions)
{
    Overview overview(facts.widthBlocks, facts.heightBlocks);
    BaseChecks bases(inputs);
    Scan scan(inputs, facts, palette, overview, bases);
    if (!walk.eachBlock(inputs.mapBlocks(), [&scan](qint64 block) { return scan.step(block); }))
        return;
    facts.bases = bases.conclude(inputs.mapBlocks());
    Status written = completeFacts(inputs, facts, job.gap);
    if (written.ok())
        written = writeDocuments(job, inputs, facts, palette, overview, html, json, drawnRegions);
    walk.fail(written);
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
    const ReportSources& read = job.sources;
    for (const QString& path :
         {read.map, read.currentMap, read.mapDifLocator, read.mapDifData, read.staticsIndex, read.staticsData,
          read.currentStaticsIndex, read.currentStaticsData, read.staticsDifLocator, read.staticsDifIndex,
          read.staticsDifData, job.radarColours}) {
        if (!path.isEmpty())
            roles.reads(path);
    }
    for (const QString& manifest : inputs.manifestsRead())
        roles.reads(manifest);
    if (const Status created = walk.createOutputs(jobmessage::UnableToCreateReport, roles); created.failed())
        return JobOutcome::failure(created);
    qint64 drawnRegions = 0;
    walkAndWrite(job, inputs, palette, facts, walk, html, withJson ? &json : nullptr, drawnRegions);
    JobResult result{inputs.mapBlocks(), qint64(facts.changed.size()), 0,
                     withJson ? QStringList{html.target(), json.target()} : QStringList{html.target()}};
    // The report's inputs live inside it; closed here, before the outputs may take the place of one.
    inputs.close();
    const JobOutcome outcome = walk.finish({}, std::move(result));
    if (summary) {
        *summary = {qint64(facts.changed.size()),
                    qint64(facts.regions.size()),
                    drawnRegions,
                    facts.noOpRecords,
                    facts.damagedRecords,
                    {}};
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
