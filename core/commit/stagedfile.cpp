#include "stagedfile.h"

#include "stagingnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <cstring>

using stagingnames::native;

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
QString StagedFile::checkDestination()
{
    QString error;
    m_destination = stagingnames::followLinks(m_target, error);
    if (!error.isEmpty())
        return error;
    const QFileInfo destination(m_destination);
    if (destination.isDir())
        return QStringLiteral("Is a directory");
    if (destination.exists() && !destination.isWritable())
        return QStringLiteral("Permission denied");
    if (!destination.dir().exists())
        return QStringLiteral("No such directory");
    return QString();
}

bool StagedFile::create()
{
    m_error = checkDestination();
    if (!m_error.isEmpty())
        return false;
    const QString temporary = stagingnames::partName(m_destination);
    if (!m_file.createNew(native(temporary).constData())) {
        m_error = QString::fromStdString(m_file.error());
        return false;
    }
    m_temporary = temporary;
    m_buffer.reset(new char[BufferSize]);
    return true;
}

void StagedFile::append(const char* bytes, qint64 length)
{
    m_size += length;
    if (m_buffered + length > BufferSize)
        writeBuffer();
    if (length > BufferSize) {
        if (!m_failed && !m_file.write(bytes, length))
            fail(QString::fromStdString(m_file.error()));
        return;
    }
    memcpy(m_buffer.get() + m_buffered, bytes, size_t(length));
    m_buffered += length;
}

void StagedFile::appendInt32(qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    append(bytes, sizeof bytes);
}

// Written out up to here first, so that the patch lands on bytes the file
// already holds; appending then carries on at its end.
void StagedFile::overwrite(qint64 offset, const char* bytes, qint64 length)
{
    if (offset < 0 || length < 0 || offset > m_size - length || !m_file.isOpen() || m_finished) {
        fail(QStringLiteral("%1 bytes at %2 lie outside what was written").arg(length).arg(offset));
        return;
    }
    writeBuffer();
    if (!m_failed && !m_file.writeAt(offset, bytes, length))
        fail(QString::fromStdString(m_file.error()));
}

void StagedFile::writeBuffer()
{
    if (m_buffered > 0 && !m_failed && !m_file.write(m_buffer.get(), m_buffered))
        fail(QString::fromStdString(m_file.error()));
    m_buffered = 0;
}

// The first failure is the one worth reporting; later ones follow from it.
void StagedFile::fail(const QString& reason)
{
    if (!m_failed)
        m_error = reason;
    m_failed = true;
}

void StagedFile::appendReason(const QString& more)
{
    m_error += QLatin1String("; ") + more;
}

void StagedFile::startFlush()
{
    if (m_file.isOpen() && !m_finished) {
        writeBuffer();
        if (!m_failed)
            m_file.startWritingBack();
    }
}

// A replaced target keeps its permission bits; the staged file takes them
// before it takes the target's place.
bool StagedFile::finish()
{
    if (m_file.isOpen() && !m_finished) {
        writeBuffer();
        if (!m_failed && !m_file.sync())
            fail(QString::fromStdString(m_file.error()));
        if (QFileInfo::exists(m_destination))
            QFile::setPermissions(m_temporary, QFile::permissions(m_destination));
        m_finished = true;
    }
    return !m_failed && !m_temporary.isEmpty();
}

void StagedFile::discard()
{
    m_file.close();
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
}
