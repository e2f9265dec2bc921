#include "stagedfile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>

#include <vector>

namespace {

constexpr qint64 BufferSize = qint64(256) << 10;

// A name beside `target` that nothing uses yet, hidden from plain listings.
QString freeSiblingName(const QString& target, const char* suffix)
{
    const QFileInfo info(target);
    for (;;) {
        const QString name = info.absolutePath() + QLatin1String("/.") + info.fileName() + QLatin1Char('.')
                             + QString::number(QRandomGenerator::global()->generate(), 36)
                             + QLatin1String(suffix);
        if (!QFileInfo::exists(name))
            return name;
    }
}

bool exists(const QString& path)
{
    return QFileInfo(path).exists() || QFileInfo(path).isSymLink();
}

}  // namespace

StagedFile::StagedFile(const QString& target) : m_target(target) {}

StagedFile::~StagedFile()
{
    if (!m_committed)
        discard();
}

bool StagedFile::create()
{
    const QFileInfo target(m_target);
    if (target.isDir())
        m_error = QStringLiteral("Is a directory");
    else if (target.exists() && !target.isWritable())
        m_error = QStringLiteral("Permission denied");
    else if (!target.dir().exists())
        m_error = QStringLiteral("No such directory");
    if (!m_error.isEmpty())
        return false;
    m_temporary = freeSiblingName(m_target, ".part");
    m_file.setFileName(m_temporary);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        m_error = m_file.errorString();
        return false;
    }
    m_buffer.reset(new char[BufferSize]);
    return true;
}

void StagedFile::append(const char* bytes, qint64 length)
{
    m_size += length;
    if (m_buffered + length > BufferSize)
        writeBuffer();
    if (length > BufferSize) {
        if (m_file.write(bytes, length) != length)
            fail(m_file.errorString());
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

void StagedFile::overwrite(qint64 offset, const char* bytes, qint64 length)
{
    if (offset < 0 || length < 0 || offset > m_size - length || !m_file.isOpen()) {
        m_failed = true;
        return;
    }
    writeBuffer();
    if (!m_file.seek(offset) || m_file.write(bytes, length) != length || !m_file.seek(m_size))
        m_failed = true;
}

void StagedFile::writeBuffer()
{
    if (m_buffered > 0 && m_file.write(m_buffer.get(), m_buffered) != m_buffered)
        fail(m_file.errorString());
    m_buffered = 0;
}

// The first failure is the one worth reporting; later ones follow from it.
void StagedFile::fail(const QString& reason)
{
    if (!m_failed)
        m_error = reason;
    m_failed = true;
}

bool StagedFile::finish()
{
    if (m_file.isOpen()) {
        writeBuffer();
        if (!m_file.flush())
            fail(m_file.errorString());
        m_file.close();
        if (m_file.error() != QFileDevice::NoError)
            fail(m_file.errorString());
        if (QFileInfo::exists(m_target))
            QFile::setPermissions(m_temporary, QFile::permissions(m_target));
    }
    return !m_failed && !m_temporary.isEmpty();
}

void StagedFile::discard()
{
    m_file.close();
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
}

bool commitStaged(const std::vector<StagedFile*>& files)
{
    for (StagedFile* file : files) {
        if (!file->finish())
            return false;
    }

    // Existing targets are moved aside first, so that a failure part way
    // through can put every one of them back.
    struct MovedAside
    {
        QString target;
        QString aside;
    };
    std::vector<MovedAside> movedAside;
    std::vector<StagedFile*> placed;
    const auto rollBack = [&] {
        for (StagedFile* file : placed)
            QFile::remove(file->m_target);
        for (const MovedAside& moved : movedAside)
            QFile::rename(moved.aside, moved.target);
    };

    for (StagedFile* file : files) {
        if (!exists(file->m_target))
            continue;
        const QString aside = freeSiblingName(file->m_target, ".old");
        QFile target(file->m_target);
        if (!target.rename(aside)) {
            file->fail(target.errorString());
            rollBack();
            return false;
        }
        movedAside.push_back({file->m_target, aside});
    }
    for (StagedFile* file : files) {
        QFile staged(file->m_temporary);
        if (!staged.rename(file->m_target)) {
            file->fail(staged.errorString());
            rollBack();
            return false;
        }
        placed.push_back(file);
    }
    for (const MovedAside& moved : movedAside)
        QFile::remove(moved.aside);
    for (StagedFile* file : files)
        file->m_committed = true;
    return true;
}
