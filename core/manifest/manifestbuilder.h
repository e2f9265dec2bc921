#pragma once

#include "blocksketch.h"
#include "hashedoutput.h"
#include "manifest.h"

#include <initializer_list>

namespace quillmark {

// What generation gathers for its manifest while it compares the two copies
// block by block: both contents, the reference's sketch and a record of
// every block it writes to the difference files.
class ManifestBuilder
{
public:
    ManifestBuilder(PatchKind kind, int facet);

    // Block `block` of the two copies, by hash; `recorded` when the
    // difference files carry it.
    void addBlock(qint64 block, quint64 before, quint64 after, bool recorded)
    {
        m_reference.add(before);
        m_current.add(after);
        m_sketch.add(block, before);
        if (recorded)
            m_records.push_back({qint32(block), before, after});
    }

    // The manifest of the difference files, complete and in the order of
    // the kind's roles, once every block has been added.
    QByteArray text(std::initializer_list<HashedOutput*> files);

private:
    Manifest m_manifest;
    ContentHash m_reference;
    ContentHash m_current;
    BlockSketch m_sketch;
    std::vector<ManifestRecord> m_records;
};

}  // namespace quillmark
