#pragma once

// The reference of a review: its map (plain or container) and, when given,
// its statics pair, the side every other is compared with.

#include "blockbytes.h"
#include "reportsources.h"
#include "staticspair.h"

#include "commitoptions.h"
#include "mapinput.h"

namespace quillmark {

// How the reference is named and fails, which depends on what it is set
// beside: "Map" and the messages of a combination's base beside difference
// files, "Reference map" and those of a generation's reference beside a
// current facet.
struct ReferenceWords
{
    QString openMap;
    QString openStatics;
    QString readMap;
    QString mapCaption;
    QString staticsCaption;
    QString (*staticsDamaged)(qint64 block);
};

class ReferenceFiles
{
public:
    ReferenceFiles(const ReportSources& sources, FileSystem& files);

    // The map holds whole columns of `heightBlocks` blocks, and no more
    // blocks than a report covers.
    Status openMap(const CommitOptions& options, qint64 heightBlocks, const ReferenceWords& words);
    // The index holds an entry for each block of the map.
    Status openStatics(const CommitOptions& options, const ReferenceWords& words);
    void close();

    qint64 blocks() const;
    bool hasStatics() const { return !m_staticsIndex.path().isEmpty(); }
    const Input& map() const { return m_map; }
    const Input& staticsIndex() const { return m_staticsIndex; }

    // `block`'s cells into both sides of `bytes`, as the reference has them.
    Status readCells(qint64 block, BlockBytes& bytes);
    Status readEntry(qint64 block, IndexEntry& entry) const;
    // The statics bytes `entry` names, on both sides of `bytes`.
    Status readStatics(const IndexEntry& entry, BlockBytes& bytes) const;

private:
    QString m_readMap;
    MapInput m_map;
    InputFile m_staticsData;
    InputFile m_staticsIndex;
    StaticsPair m_statics;
};

}  // namespace quillmark
