#pragma once

#include "status.h"

#include <QString>

namespace quillmark {

// A file that a job reads, through a bounded window of memory instead of a
// seek and a small read per record: a plain file, or a map file of either
// form read as the map it holds. Jobs open, check and close every input the
// same way, whatever it is.
class Input
{
public:
    // The most a single view may span.
    static constexpr qint64 MaxView = qint64(1) << 20;
    // What a walk over a long run views at a time (see forEachPiece()): a
    // window that large is read in one call, and the memory it takes stays
    // small enough to stay in the processor's cache.
    static constexpr qint64 Piece = qint64(128) << 10;

    virtual ~Input() = default;

    // Fails (with the file and the reason) when the file cannot be read: it
    // is missing, not a regular file, unreadable, or damaged.
    virtual Status open() = 0;
    virtual void close() = 0;

    virtual const QString& path() const = 0;
    // The size of the data when it was opened; nothing past it is ever read.
    virtual qint64 size() const = 0;
    // The identity of the file opened (platformfile::fileIdentity()), so that
    // no output is made over it by mistake; empty while it is not open.
    virtual QByteArray identity() const = 0;

    // Points `bytes` at the `length` bytes at `offset`, valid until the next
    // call; fails when they lie outside the data or cannot all be read.
    // length <= MaxView.
    virtual Status view(qint64 offset, qint64 length, const char*& bytes) = 0;

    // What its size is, for a message: "PATH has N bytes", or what else
    // the size counts.
    virtual QString sizeText() const { return QStringLiteral("%1 has %2 bytes").arg(path()).arg(size()); }
};

// Hands a run of any length to `consume(const char*, qint64)` in pieces of at
// most Input::Piece bytes; stops early when `consume` returns false. Fails
// only when a piece cannot be read.
template <typename Consume>
Status forEachPiece(Input& input, qint64 offset, qint64 length, Consume consume)
{
    while (length > 0) {
        const qint64 piece = qMin(length, Input::Piece);
        const char* bytes = nullptr;
        if (const Status viewed = input.view(offset, piece, bytes); viewed.failed())
            return viewed;
        if (!consume(bytes, piece))
            break;
        offset += piece;
        length -= piece;
    }
    return Status();
}

}  // namespace quillmark
