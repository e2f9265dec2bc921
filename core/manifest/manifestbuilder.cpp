#include "manifestbuilder.h"

namespace quillmark {

namespace {

// Every text written is plain ASCII without quotes or backslashes: names,
// hexadecimal digits, base64, the program's name and version.
QByteArray quoted(const QString& text)
{
    return '"' + text.toLatin1() + '"';
}

QByteArray quoted(const char* text)
{
    return '"' + QByteArray(text) + '"';
}

QByteArray content(ContentHash& hash)
{
    const qint64 blocks = hash.blocks();
    return "{\"blocks\": " + QByteArray::number(blocks) + ", \"content\": " + quoted(hash.digest().toHex())
           + '}';
}

}  // namespace

// The record count, and so the sketch's size, is known only at the end:
// the sketch is gathered at its largest size and folded then.
ManifestBuilder::ManifestBuilder(PatchKind kind, int facet, Output& manifest)
    : m_kind(kind), m_facet(facet), m_output(manifest), m_sketch(BlockSketch::Largest)
{}

void ManifestBuilder::begin()
{
    m_begun = true;
    write("{\n\"format\": " + quoted(manifestformat::FormatName)
          + ",\n\"version\": " + QByteArray::number(manifestformat::Version)
          + ",\n\"program\": \"Quillmark\",\n\"programVersion\": " + quoted(QUILLMARK_VERSION)
          + ",\n\"kind\": " + quoted(m_kind == PatchKind::Map ? "map" : "statics")
          + ",\n\"facet\": " + QByteArray::number(m_facet)
          + ",\n\"hashMethod\": " + quoted(manifestformat::HashMethod) + ",\n\"records\": \"");
}

// "block:before:after", the block in decimal, the hashes in 16 hexadecimal
// digits each, written digit by digit: a manifest may hold hundreds of
// thousands; one space between two.
void ManifestBuilder::addRecord(qint64 block, quint64 before, quint64 after)
{
    if (!m_begun)
        begin();
    char line[48];
    char* at = line;
    if (m_records++ > 0)
        *at++ = ' ';
    char digits[12];
    int count = 0;
    for (quint64 number = quint64(block); count == 0 || number > 0; number /= 10)
        digits[count++] = char('0' + number % 10);
    while (count > 0)
        *at++ = digits[--count];
    for (const quint64 hash : {before, after}) {
        *at++ = ':';
        for (int shift = 60; shift >= 0; shift -= 4)
            *at++ = "0123456789abcdef"[(hash >> shift) & 0xf];
    }
    m_output.append(line, at - line);
}

void ManifestBuilder::finish(std::initializer_list<HashedOutput*> files)
{
    if (!m_begun)
        begin();
    m_sketchBatch.flush();
    write("\",\n\"reference\": " + content(m_reference) + ",\n\"current\": " + content(m_current)
          + ",\n\"files\": [");
    const std::vector<QString> roles = manifestformat::roles(m_kind);
    size_t role = 0;
    for (HashedOutput* file : files) {
        write((role > 0 ? ",\n" : "\n") + QByteArray("{\"role\": ") + quoted(roles.at(role)) + ", \"name\": "
              + quoted(manifestformat::setFileName(m_kind, roles.at(role), m_facet)) + ", \"size\": "
              + QByteArray::number(file->size()) + ", \"hash\": " + quoted(file->hash().toHex()) + '}');
        ++role;
    }
    write("\n],\n\"referenceSketch\": \""
          + m_sketch.folded(BlockSketch::cellsFor(m_records)).toBytes().toBase64() + "\"\n}\n");
}

}  // namespace quillmark
