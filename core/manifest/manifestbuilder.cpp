#include "manifestbuilder.h"

namespace quillmark {

// The record count, and so the sketch's size, is known only at the end:
// the sketch is gathered at its largest size and folded then.
ManifestBuilder::ManifestBuilder(PatchKind kind, int facet) : m_sketch(BlockSketch::Largest)
{
    m_manifest.kind = kind;
    m_manifest.facet = facet;
    m_manifest.program = QStringLiteral("Quillmark");
    m_manifest.programVersion = QStringLiteral(QUILLMARK_VERSION);
}

QByteArray ManifestBuilder::text(std::initializer_list<HashedOutput*> files)
{
    m_manifest.reference = {m_reference.blocks(), m_reference.digest()};
    m_manifest.current = {m_current.blocks(), m_current.digest()};
    const std::vector<QString> roles = manifestformat::roles(m_manifest.kind);
    size_t role = 0;
    for (HashedOutput* file : files) {
        m_manifest.files.push_back(
            {roles.at(role), manifestformat::setFileName(m_manifest.kind, roles.at(role), m_manifest.facet),
             file->size(), file->hash()});
        ++role;
    }
    m_manifest.records = std::move(m_records);
    m_manifest.referenceSketch =
        m_sketch.folded(BlockSketch::cellsFor(qint64(m_manifest.records.size()))).toBytes();
    return manifestText(m_manifest);
}

}  // namespace quillmark
