#pragma once

// What the four job targets share: cutting the fuzzer's bytes into input
// files, a fresh folder per input, and the properties every job must keep
// whatever it is fed.
//
// Input layout: one little-endian 16-bit length per file, then the files'
// bytes back to back. The fuzzer chooses every size, record multiple or not;
// a file whose bytes run out is cut short there. A file whose bytes are
// exactly "FIFO" is made a FIFO instead, which no job may wait on.

#include "joboutcome.h"
#include "jobprogress.h"
#include "mapinput.h"
#include "workspace.h"

#include <QtEndian>

#include <cstdio>
#include <cstdlib>

#include <initializer_list>
#include <optional>
#include <sys/stat.h>

namespace jobfuzz {

using namespace quillmark;

// The message a job fails with for damage found at a block.
using DamageMessage = QString (*)(qint64 block);

inline void require(bool holds, const char* property, const QString& detail = QString())
{
    if (!holds) {
        std::fprintf(stderr, "property broken: %s %s\n", property, qPrintable(detail));
        std::abort();
    }
}

inline QList<QByteArray> splitInput(const uint8_t* data, size_t size, int count)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    const size_t header = size_t(count) * 2;
    size_t at = header;
    QList<QByteArray> files;
    for (int i = 0; i < count; ++i) {
        const size_t wanted = 2 * size_t(i) + 2 <= size ? qFromLittleEndian<quint16>(bytes + 2 * i) : 0;
        const size_t length = at < size ? qMin(wanted, size - at) : 0;
        files << QByteArray(bytes + qMin(at, size), qsizetype(length));
        at += length;
    }
    return files;
}

using testfiles::read;

// A copy of `bytes` with the fuzzer's patches laid over it, so that most of
// a current file agrees with its reference and some of it differs. Patches:
// 2 bytes offset, 1 byte length, then that many bytes.
inline QByteArray patched(const QByteArray& bytes, const QByteArray& patches)
{
    QByteArray result = bytes;
    for (qsizetype at = 0; at + 3 <= patches.size();) {
        const qsizetype offset = qFromLittleEndian<quint16>(patches.constData() + at);
        const qsizetype length = qMin<qsizetype>(quint8(patches[at + 2]), patches.size() - at - 3);
        if (offset + length <= result.size())
            result.replace(offset, length, patches.mid(at + 3, length));
        at += 3 + length;
    }
    return result;
}

inline qint32 int32At(const QByteArray& bytes, qint64 at)
{
    return qFromLittleEndian<qint32>(bytes.constData() + at);
}

// The map a map file holds as the jobs read it: its own bytes, or the chunks
// of a package container laid end to end; nothing when it cannot be opened
// or read (a damaged container).
inline std::optional<QByteArray> logicalMap(const QString& path)
{
    MapInput map(path, FileSystem::system());
    if (map.open().failed())
        return std::nullopt;
    QByteArray bytes;
    for (qint64 at = 0; at < map.size(); at += InputFile::MaxView) {
        const qint64 piece = qMin(InputFile::MaxView, map.size() - at);
        const char* view = nullptr;
        if (map.view(at, piece, view).failed())
            return std::nullopt;
        bytes.append(view, qsizetype(piece));
    }
    return bytes;
}

// A fresh workspace with the inputs in it and an empty output folder "out".
class Folder
{
public:
    explicit Folder(const QList<QByteArray>& contents) : m_contents(contents)
    {
        for (const QByteArray& bytes : contents) {
            const QString path = m_ws.path(QStringLiteral("in%1.mul").arg(m_inputs.size()));
            m_inputs << path;
            if (bytes != SpecialInput) {
                require(testfiles::write(path, bytes), "inputs written");
                continue;
            }
            require(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0, "a FIFO made");
            m_special = true;
        }
    }

    // With a FIFO among the inputs, the job fails at its opening, as it does
    // for anything but a regular file; true when it had one, and nothing more
    // is to be checked.
    bool refusedSpecialInput(const JobOutcome& outcome) const
    {
        if (!m_special)
            return false;
        require(outcome.failed() && outcome.failure().is(Status::Kind::NotRegularFile), "a FIFO is refused",
                outcome.failure().text());
        return true;
    }

    const QStringList& inputs() const { return m_inputs; }
    QString out() const { return m_ws.out(); }
    QString outFile(const char* name) const { return m_ws.outFile(QLatin1String(name)); }
    QString path(const char* name) const { return m_ws.path(QLatin1String(name)); }
    QStringList outEntries() const { return m_ws.outFiles(); }

    // A job succeeds, leaving exactly its outputs (no temporary file, lock or
    // record), or fails with one of its messages, leaving nothing: a fixed
    // one, or, for damage found at a block, one of `damaged` for that block.
    // Its inputs stay as they were either way.
    void checkOutcome(const JobOutcome& outcome, std::initializer_list<const char*> messages,
                      std::initializer_list<DamageMessage> damaged, const QStringList& outputs) const
    {
        require(!outcome.stopped(), "nobody stops the job");
        if (outcome.succeeded()) {
            require(outEntries() == outputs, "exactly the outputs are left", outEntries().join(' '));
        } else {
            const Status& failure = outcome.failure();
            bool known = false;
            if (failure.block() != Status::NoBlock) {
                require(failure.is(Status::Kind::Damaged), "only damage names a block", failure.text());
                for (const DamageMessage message : damaged)
                    known = known || failure.message() == message(failure.block());
            } else {
                for (const char* message : messages)
                    known = known || failure.message() == QLatin1String(message);
            }
            require(known, "a documented message", failure.text());
            require(outEntries().isEmpty(), "a failed job leaves nothing", outEntries().join(' '));
        }
        for (int i = 0; i < m_inputs.size(); ++i) {
            // A FIFO is never opened here: that would wait for a writer.
            if (m_contents[i] != SpecialInput)
                require(read(m_inputs[i]) == m_contents[i], "inputs unchanged");
        }
    }

private:
    static constexpr char SpecialInput[] = "FIFO";

    Workspace m_ws;
    QList<QByteArray> m_contents;
    QStringList m_inputs;
    bool m_special = false;
};

}  // namespace jobfuzz
