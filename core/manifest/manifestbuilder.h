#pragma once

#include "blocksketch.h"
#include "hashedoutput.h"
#include "manifest.h"

#include <initializer_list>

namespace quillmark {

// Writes the manifest of the difference files that generation writes, while
// it compares the two copies block by block: the records as they come, then,
// once every block has been seen, both contents, the difference files'
// sizes and hashes, and the reference's sketch. The same comparison always
// gives the same bytes: nothing in it depends on the time, the paths or the
// machine.
//
//   {
//   "format": "quillmark-patch-manifest",
//   "version": 1,
//   "program": "Quillmark",
//   "programVersion": "0.95",
//   "kind": "map",
//   "facet": 0,
//   "hashMethod": "xxh3",
//   "records": "5:<before>:<after> 270:<before>:<after>",
//   "reference": {"blocks": 300, "content": "<32 hexadecimal digits>"},
//   "current": {"blocks": 300, "content": "<32 hexadecimal digits>"},
//   "files": [
//   {"role": "locator", "name": "mapdifl0.mul", "size": 8, "hash": "<32 hexadecimal digits>"},
//   {"role": "data", "name": "mapdif0.mul", "size": 392, "hash": "<32 hexadecimal digits>"}
//   ],
//   "referenceSketch": "<base64>"
//   }
class ManifestBuilder
{
public:
    // Writes to `manifest`, once it has been created.
    ManifestBuilder(PatchKind kind, int facet, Output& manifest);

    // Block `block` of the two copies, by hash; `recorded` when the
    // difference files carry it.
    void addBlock(qint64 block, quint64 before, quint64 after, bool recorded)
    {
        m_reference.add(before);
        m_current.add(after);
        m_sketchBatch.add(block, before);
        if (recorded)
            addRecord(block, before, after);
    }

    // Blocks `first` to `first + count - 1` of the two copies, by hash, as
    // addBlock() adds them but for the records, which come through
    // addRecord(). For a walk that hashes a run of blocks at a time.
    void addRun(qint64 first, const quint64* before, const quint64* after, qint64 count)
    {
        m_sketchBatch.flush();
        m_reference.add(before, count);
        m_current.add(after, count);
        m_sketch.addRun(first, before, count);
    }
    void addRecord(qint64 block, quint64 before, quint64 after);
    // The rest of the manifest, once every block has been added: the
    // difference files in the order of the kind's roles.
    void finish(std::initializer_list<HashedOutput*> files);

private:
    void begin();
    void write(const QByteArray& text) { m_output.append(text.constData(), text.size()); }

    PatchKind m_kind;
    int m_facet;
    Output& m_output;
    bool m_begun = false;
    qint64 m_records = 0;
    ContentHash m_reference;
    ContentHash m_current;
    BlockSketch m_sketch;
    SketchBatch m_sketchBatch{m_sketch};
};

}  // namespace quillmark
