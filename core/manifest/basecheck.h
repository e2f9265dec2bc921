#pragma once

#include "blocksketch.h"
#include "manifest.h"

#include <QString>

#include <vector>

namespace quillmark {

// How a base (the map or statics a patch is applied to) stands to the
// manifest of the patch.
enum class BaseCase {
    NotChecked,      // no manifest beside the difference files
    Exact,           // the base's content is the reference's
    AlreadyApplied,  // the base's content is the current copy's
    Fits,            // it differs elsewhere, but every replaced block holds what the patch expects
    Conflict,        // some replaced blocks hold something else
};

// What a base check found, and its figures.
struct BaseVerdict
{
    BaseCase found = BaseCase::NotChecked;
    QString manifest;  // the manifest checked against, or the one looked for
    int facet = 0;     // the manifest's: whose block grid places a block in the world
    // The facet the patch was to be applied to when it is not the
    // manifest's, else -1: a base of another facet does not fit, whatever
    // it holds.
    int otherFacet = -1;
    qint64 heightBlocks = 0;    // of the grid the base's blocks lie in; 0: the manifest's facet's
    qint64 records = 0;         // blocks the patch replaces
    qint64 alreadyPatched = 0;  // of those, the ones that hold what it puts there already
    // Blocks the patch does not replace that differ from its reference: the
    // count when the manifest's sketch could tell them all apart, else as
    // many as it can vouch for at least; and those blocks, when it could.
    qint64 otherBlocks = 0;
    bool otherBlocksExact = true;
    std::vector<qint64> others;
    std::vector<qint64> conflicts;  // replaced blocks that hold something else, ascending
    bool forced = false;            // a conflict applied all the same, as asked
};

// "x,y" of the top left world tile of each of the first `most` blocks in a
// grid `heightBlocks` high (8 x 8 tiles a block, block number = x-block x
// height + y-block), separated by spaces, and "..." when there are more.
QString worldTiles(const std::vector<qint64>& blocks, qint64 heightBlocks, size_t most);

// Checks a base against a patch's manifest block by block, inside the walk
// that reads the base anyway: the base's content, what each replaced block
// holds, and a sketch of the blocks the patch does not replace. A
// combination also hands over what it writes in place of each block, so
// that the result's content can be checked before it is committed.
class BaseCheck
{
public:
    // When the sketch of the base is made: in the walk, or, for a walk that
    // rarely needs it (a combination's, whose base is mostly the reference or
    // the current copy), in a second pass over the base made only when the
    // conclusion asks for it.
    enum class Sketch { InWalk, WhenAsked };

    BaseCheck(const Manifest& manifest, const QString& manifestPath, Sketch sketch = Sketch::InWalk);

    // The facet the base is of, and the height of its grid in blocks (0:
    // the facet's); a facet other than the manifest's is a conflict.
    void placeBase(int facet, qint64 heightBlocks);
    int manifestFacet() const { return m_manifest.facet; }
    // What is known so far.
    const BaseVerdict& verdict() const { return m_verdict; }

    // Every block of the base in ascending order, with its hash.
    void addBaseBlock(qint64 block, quint64 hash)
    {
        m_base.add(hash);
        if (replaces(block))
            checkReplaced(block, hash);
        else if (m_sketchInWalk)
            m_sketch.add(block, hash);
    }
    // Blocks `first` to `first + count - 1` of the base, none of which the
    // patch replaces, each taken into the result as it is: their hashes, in
    // one go rather than a call a block.
    void addUnreplacedRun(qint64 first, const quint64* hashes, qint64 count)
    {
        m_base.add(hashes, count);
        m_result.add(hashes, count);
        if (m_sketchInWalk)
            m_sketch.addRun(first, hashes, count);
    }
    // A block of the base that cannot be read as one (its index entry points
    // outside its data file): it holds nothing the patch was made against.
    void addDamagedBlock(qint64 block);
    // The hash of the block a combination writes for each, in the same order.
    void addResultBlock(quint64 hash) { m_result.add(hash); }

    // Whether the patch replaces `block`, the next block to be added.
    bool replaces(qint64 block) const
    {
        return m_next < m_manifest.records.size() && m_manifest.records[m_next].block == block;
    }
    // Whether the base is of another facet, or a block the patch replaces
    // has held something else so far.
    bool foundConflict() const { return m_verdict.otherFacet >= 0 || !m_verdict.conflicts.empty(); }

    // The case, once the base's `baseBlocks` blocks have all been added.
    BaseVerdict conclude(qint64 baseBlocks);
    // Whether the conclusion needs the base's blocks once more, for the
    // count of the other blocks that differ.
    bool needsSketch() const { return m_sketchAsked; }
    // Every block of the base once more, in ascending order, then the
    // conclusion with that count.
    void addSketchBlock(qint64 block, quint64 hash);
    BaseVerdict concludeSketch(qint64 baseBlocks);
    // Whether the base, once concluded, had the reference's content, and
    // what the combination wrote has the current copy's.
    bool baseIsReference() const { return m_baseIsReference; }
    bool resultIsCurrent() { return m_result.digest() == m_manifest.current.content; }

private:
    void checkReplaced(qint64 block, quint64 hash);
    void countOthers(qint64 baseBlocks);

    const Manifest& m_manifest;
    BaseVerdict m_verdict;
    ContentHash m_base;
    ContentHash m_result;
    BlockSketch m_sketch;  // of the base's blocks that the patch does not replace
    size_t m_next = 0;     // the first record whose block is still to come
    bool m_sketchInWalk;
    bool m_sketchAsked = false;
    bool m_baseIsReference = false;
};

}  // namespace quillmark
