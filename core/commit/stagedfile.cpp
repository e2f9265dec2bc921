#include "stagedfile.h"

#include "outputpath.h"
#include "stagingnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace quillmark {

namespace {

constexpr qint64 BufferSize = qint64(256) << 10;

}  // namespace

StagedFile::StagedFile(const QString& target) : m_target(target) {}

StagedFile::~StagedFile()
{
    if (!m_committed)
        discard();
}

// The checks name the destination's own trouble before the system's more
// general words could.
Status StagedFile::resolve()
{
    return outputpath::resolve(m_target, m_destination);
}

Status StagedFile::checkDestination()
{
    if (m_destination.isEmpty()) {
        if (const Status resolved = resolve(); resolved.failed())
            return resolved;
    }
    const QFileInfo destination(m_destination);
    QString reason;
    if (destination.isDir())
        reason = QStringLiteral("Is a directory");
    else if (platformfile::isSpecialFile(m_destination))
        reason = QStringLiteral("not a regular file");
    else if (destination.exists() && !destination.isWritable())
        reason = QStringLiteral("Permission denied");
    else if (!destination.dir().exists())
        reason = QFileInfo::exists(destination.path()) ? QStringLiteral("Not a directory")
                                                       : QStringLiteral("No such directory");
    return reason.isEmpty() ? Status() : Status::fileFailure(m_target, reason);
}

Status StagedFile::create()
{
    if (const Status checked = checkDestination(); checked.failed())
        return checked;
    const QString temporary = stagingnames::partName(m_destination);
    if (const Status created = m_file.createNew(temporary); created.failed())
        return Status::fileFailure(m_target, created.reason());
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
            fail(m_file.write(bytes, length));
        return;
    }
    memcpy(m_buffer.get() + m_buffered, bytes, size_t(length));
    m_buffered += length;
}

// Written out up to here first, so that the patch lands on bytes the file
// already holds; appending then carries on at its end.
void StagedFile::overwrite(qint64 offset, const char* bytes, qint64 length)
{
    if (offset < 0 || length < 0 || offset > m_size - length || !m_file.isOpen() || m_flushed) {
        fail(Status::fileFailure(
            m_target, QStringLiteral("%1 bytes at %2 lie outside what was written").arg(length).arg(offset)));
        return;
    }
    writeBuffer();
    if (m_failure.ok())
        fail(m_file.writeAt(offset, bytes, length));
}

void StagedFile::writeBuffer()
{
    if (m_buffered > 0 && m_failure.ok())
        fail(m_file.write(m_buffer.get(), m_buffered));
    m_buffered = 0;
}

// The first failure is the one worth reporting; later ones follow from it.
// It names the target, which the user knows, not the staged file.
void StagedFile::fail(const Status& failure)
{
    if (m_failure.ok() && failure.failed())
        m_failure = Status::fileFailure(m_target, failure.reason());
}

void StagedFile::startFlush()
{
    if (m_file.isOpen() && !m_flushed) {
        writeBuffer();
        if (m_failure.ok())
            m_file.startWritingBack();
    }
}

// A replaced target keeps its permission bits; the staged file takes them
// before it takes the target's place.
Status StagedFile::flush()
{
    if (m_file.isOpen() && !m_flushed) {
        writeBuffer();
        if (m_failure.ok())
            fail(m_file.sync());
        if (QFileInfo::exists(m_destination))
            QFile::setPermissions(m_temporary, QFile::permissions(m_destination));
        m_flushed = true;
    }
    if (m_failure.ok() && m_temporary.isEmpty())
        return Status::fileFailure(m_target, QStringLiteral("It was never created"));
    return m_failure;
}

Status StagedFile::close()
{
    fail(m_file.close());
    return m_failure;
}

void StagedFile::discard()
{
    (void)m_file.close();
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

}  // namespace quillmark
