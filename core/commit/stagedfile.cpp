#include "stagedfile.h"

#include "fileoperations.h"
#include "outputpath.h"
#include "stagingnames.h"

#include <QFileInfo>

#include <cstring>

namespace quillmark {

namespace {

// Large enough that a write call costs little against the bytes it moves,
// small enough that the pages it touches stay few (each page touched for the
// first time is a fault, dear on virtual machines) and in the cache.
constexpr qint64 BufferSize = qint64(128) << 10;

}  // namespace

StagedFile::StagedFile(const QString& target, FileSystem& files) : m_target(target), m_files(files) {}

StagedFile::~StagedFile()
{
    if (!m_committed)
        discard();
}

// The checks name the destination's own trouble before the system's more
// general words could.
Status StagedFile::resolve()
{
    return outputpath::resolve(m_target, m_files, m_destination);
}

Status StagedFile::checkDestination()
{
    if (m_destination.isEmpty()) {
        if (const Status resolved = resolve(); resolved.failed())
            return resolved;
    }
    EntryKind kind = EntryKind::Missing, followed = EntryKind::Missing, folder = EntryKind::Missing;
    bool writable = true;
    Status looked = m_files.entryKind(m_destination, kind);
    if (looked.ok())
        looked = m_files.followedKind(m_destination, followed);
    if (looked.ok())
        looked = m_files.entryKind(QFileInfo(m_destination).path(), folder);
    if (looked.ok() && kind == EntryKind::RegularFile)
        looked = m_files.isWritable(m_destination, writable);
    if (looked.failed())
        return looked.withFile(m_target);
    const auto refused = [this](Status::Kind refusal, const char* reason) {
        return Status::fileFailure(refusal, m_target, QLatin1String(reason));
    };
    if (kind == EntryKind::Directory)
        return refused(Status::Kind::NotRegularFile, "Is a directory");
    if (followed == EntryKind::Special)
        return refused(Status::Kind::NotRegularFile, "not a regular file");
    if (kind == EntryKind::RegularFile && !writable)
        return refused(Status::Kind::Permission, "Permission denied");
    if (folder == EntryKind::Missing)
        return refused(Status::Kind::NotFound, "No such directory");
    if (folder != EntryKind::Directory)
        return refused(Status::Kind::NotRegularFile, "Not a directory");
    return Status();
}

Status StagedFile::create()
{
    if (const Status checked = checkDestination(); checked.failed())
        return checked;
    const QString temporary = stagingnames::partName(m_destination, m_files);
    if (const Status created = m_files.createNew(temporary, m_file); created.failed())
        return created.withFile(m_target);
    m_temporary = temporary;
    m_buffer.reset(new char[BufferSize]);
    return Status();
}

void StagedFile::append(const char* bytes, qint64 length)
{
    m_size += length;
    if (m_buffered + length > BufferSize)
        writeBuffer();
    if (length > BufferSize) {
        if (m_failure.ok())
            fail(m_file->write(bytes, length));
        return;
    }
    memcpy(m_buffer.get() + m_buffered, bytes, size_t(length));
    m_buffered += length;
}

// Written out up to here first, so that the patch lands on bytes the file
// already holds; appending then carries on at its end.
void StagedFile::overwrite(qint64 offset, const char* bytes, qint64 length)
{
    if (offset < 0 || length < 0 || offset > m_size - length || !m_file || m_flushed) {
        fail(Status::fileFailure(
            Status::Kind::Other, m_target,
            QStringLiteral("%1 bytes at %2 lie outside what was written").arg(length).arg(offset)));
        return;
    }
    writeBuffer();
    if (m_failure.ok())
        fail(m_file->writeAt(offset, bytes, length));
}

void StagedFile::writeBuffer()
{
    if (m_buffered > 0 && m_failure.ok())
        fail(m_file->write(m_buffer.get(), m_buffered));
    m_buffered = 0;
}

// The first failure is the one worth reporting; later ones follow from it.
// It names the target, which the user knows, not the staged file.
void StagedFile::fail(const Status& failure)
{
    if (m_failure.ok() && failure.failed())
        m_failure = failure.withFile(m_target);
}

void StagedFile::startFlush()
{
    if (m_file && !m_flushed) {
        writeBuffer();
        if (m_failure.ok())
            m_file->startWritingBack();
    }
}

// A replaced target keeps its permission bits; the staged file takes them
// before it takes the target's place.
Status StagedFile::flush()
{
    if (m_file && !m_flushed) {
        writeBuffer();
        if (m_failure.ok())
            fail(m_file->sync());
        EntryKind kind = EntryKind::Missing;
        fail(m_files.entryKind(m_destination, kind));
        if (kind == EntryKind::RegularFile && m_failure.ok())
            fail(copyPermissions(m_files, m_destination, m_temporary));
        m_flushed = true;
    }
    if (m_failure.ok() && m_temporary.isEmpty())
        return Status::fileFailure(Status::Kind::Other, m_target, QStringLiteral("It was never created"));
    return m_failure;
}

Status StagedFile::close()
{
    if (m_file)
        fail(m_file->close());
    m_file.reset();
    return m_failure;
}

void StagedFile::discard()
{
    if (m_file)
        (void)m_file->close();
    m_file.reset();
    if (!m_temporary.isEmpty())
        (void)m_files.remove(m_temporary);
}

}  // namespace quillmark
