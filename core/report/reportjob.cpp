#include "reportjob.h"

#include "blockdiff.h"
#include "htmlpage.h"
#include "jsonfacts.h"
#include "overview.h"
#include "palette.h"
#include "regionpicture.h"
#include "regions.h"

#include "blockwalk.h"
#include "facets.h"
#include "jobmessages.h"
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
// records that change nothing, the overview's colours.
class Scan
{
public:
    Scan(ReportInputs& inputs, ReportFacts& facts, const Palette& palette, Overview& overview)
        : m_inputs(inputs), m_facts(facts), m_palette(palette), m_overview(overview)
    {}

    Status step(qint64 block)
    {
        if (const Status read = m_inputs.read(block, Access::InOrder, false, m_bytes); read.failed())
            return read;
        if (m_overview.samples(block))
            m_overview.setColour(block, m_bytes.cellsBefore ? m_palette.land(middleCell(m_bytes.cellsBefore))
                                                            : Palette::NoLand);
        if (m_bytes.mapRecord < 0 && m_bytes.staticsRecord < 0)
            return Status();
        const BlockChanges& changes = m_comparer.compare(m_bytes, m_facts.blockX(block) * TilesPerSide,
                                                         m_facts.blockY(block) * TilesPerSide);
        if (m_bytes.mapRecord >= 0 && changes.land.empty())
            noOp({NoOpRecord::File::Map, m_bytes.mapRecord, block, NoOpRecord::Reason::SameCells});
        if (m_bytes.staticsRecord >= 0 && changes.added.empty() && changes.removed.empty())
            noOp({NoOpRecord::File::Statics, m_bytes.staticsRecord, block, NoOpRecord::Reason::SameStatics});
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

    ReportInputs& m_inputs;
    ReportFacts& m_facts;
    const Palette& m_palette;
    Overview& m_overview;
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

// Each region in turn: all its changes into the JSON facts, the first of
// them, and its pictures, into the page.
class RegionWriter
{
public:
    RegionWriter(ReportInputs& inputs, const ReportFacts& facts, const PictureStyle& style, HtmlPage& page,
                 JsonFacts* json)
        : m_inputs(inputs), m_facts(facts), m_style(style), m_page(page), m_json(json)
    {}

    Status write(size_t index)
    {
        const Region& region = m_facts.regions[index];
        const bool pictured = index < size_t(PicturedRegions);
        RegionLists lists;
        if (const Status listed = m_json     ? writeJson(region, pictured ? &lists : nullptr)
                                  : pictured ? collect(region, lists)
                                             : Status();
            listed.failed())
            return listed;
        if (!pictured)
            return Status();
        const PictureArea area =
            pictureArea(region, m_facts.widthBlocks * TilesPerSide, m_facts.heightBlocks * TilesPerSide);
        RegionPictures pictures;
        if (const Status drawn = drawRegion(area, m_facts.heightBlocks, m_style, m_inputs, pictures);
            drawn.failed())
            return drawn;
        m_page.region(int(index) + 1, region, area, pictures, lists);
        return Status();
    }

private:
    using Visit = std::function<bool(const BlockChanges&)>;

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
            bool wantMore = false;
            for (const LandCellChange& change : changes.land)
                wantMore = keep(lists.land, change) || wantMore;
            for (const StaticItem& item : changes.added)
                wantMore = keep(lists.added, item) || wantMore;
            for (const StaticItem& item : changes.removed)
                wantMore = keep(lists.removed, item) || wantMore;
            return wantMore || lists.land.size() < ListedChanges || lists.added.size() < ListedChanges
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
    HtmlPage& m_page;
    JsonFacts* m_json;
    BlockComparer m_comparer;
    BlockBytes m_bytes;
};

// The page, and the facts when `jsonFile` is given, region by region.
Status writeDocuments(const ReportJob& job, ReportInputs& inputs, const ReportFacts& facts,
                      const Palette& palette, const Overview& overview, Output& htmlFile, Output* jsonFile)
{
    HtmlPage page(htmlFile);
    std::optional<JsonFacts> json;
    if (jsonFile)
        json.emplace(*jsonFile);
    const PageContext context{QLatin1String(facets::geometry(job.facet).name), job.sources, job.radarColours,
                              job.gap, job.outline};
    const Picture overviewPicture = overview.draw(facts);
    if (overviewPicture.isNull())
        return pictureOutOfMemory();
    page.begin(facts, context, overviewPicture);
    if (json)
        json->begin(facts);
    const PictureStyle style{palette, job.outline};
    RegionWriter regions(inputs, facts, style, page, json ? &*json : nullptr);
    for (size_t r = 0; r < facts.regions.size(); ++r) {
        if (const Status written = regions.write(r); written.failed())
            return written;
    }
    page.otherRegions(facts, size_t(PicturedRegions));
    page.end();
    if (json)
        json->end();
    return Status();
}

// The blocks walked: those of the map or of the statics, whichever has more.
qint64 blocksOf(const ReportInputs& inputs)
{
    return qMax(inputs.mapBlocks(), inputs.staticsBlocks());
}

// The facts before the walk: the facet's shape, in blocks.
ReportFacts shapeOf(const ReportJob& job, const ReportInputs& inputs)
{
    ReportFacts facts;
    facts.facet = job.facet;
    facts.heightBlocks = job.heightBlocks > 0 ? job.heightBlocks : facets::geometry(job.facet).heightBlocks;
    facts.widthBlocks = (blocksOf(inputs) + facts.heightBlocks - 1) / facts.heightBlocks;
    return facts;
}

// The walk over the facet, then the documents, into the walk's outputs.
void walkAndWrite(const ReportJob& job, ReportInputs& inputs, const Palette& palette, ReportFacts& facts,
                  BlockWalk& walk, Output& html, Output* json)
{
    Overview overview(facts.widthBlocks, facts.heightBlocks);
    Scan scan(inputs, facts, palette, overview);
    if (!walk.eachBlock(blocksOf(inputs), [&scan](qint64 block) { return scan.step(block); }))
        return;
    Status written = completeFacts(inputs, facts, job.gap);
    if (written.ok())
        written = writeDocuments(job, inputs, facts, palette, overview, html, json);
    walk.fail(written);
}

JobOutcome run(const ReportJob& job, JobProgress& progress, const CommitOptions& options,
               ReportSummary* summary)
{
    ReportInputs inputs(job.sources);
    if (const Status opened = inputs.open(options); opened.failed())
        return JobOutcome::failure(opened);
    std::vector<quint16> radar;
    if (!job.radarColours.isEmpty()) {
        if (const Status read = readRadarColours(job.radarColours, Palette::RadarEntries, options, radar);
            read.failed())
            return JobOutcome::failure(read);
    }
    const Palette palette(std::move(radar));
    ReportFacts facts = shapeOf(job, inputs);

    StagedFile html(job.html);
    StagedFile json(job.json);
    const bool withJson = !job.json.isEmpty();
    BlockWalk walk = withJson ? BlockWalk(progress, options, {&html, &json}, jobmessage::UnableToWriteReport)
                              : BlockWalk(progress, options, {&html}, jobmessage::UnableToWriteReport);
    FileRoles roles;
    for (const QString& path :
         {job.sources.map, job.sources.mapDifLocator, job.sources.mapDifData, job.sources.staticsIndex,
          job.sources.staticsData, job.sources.staticsDifLocator, job.sources.staticsDifIndex,
          job.sources.staticsDifData, job.radarColours}) {
        if (!path.isEmpty())
            roles.reads(path);
    }
    if (const Status created = walk.createOutputs(jobmessage::UnableToCreateReport, roles); created.failed())
        return JobOutcome::failure(created);
    walkAndWrite(job, inputs, palette, facts, walk, html, withJson ? &json : nullptr);
    JobResult result{blocksOf(inputs), qint64(facts.changed.size()), 0,
                     withJson ? QStringList{html.target(), json.target()} : QStringList{html.target()}};
    // The report's inputs live inside it; closed here, before the outputs may take the place of one.
    inputs.close();
    const JobOutcome outcome = walk.finish({}, std::move(result));
    if (summary)
        *summary = {qint64(facts.changed.size()), qint64(facts.regions.size()), facts.noOpRecords};
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
