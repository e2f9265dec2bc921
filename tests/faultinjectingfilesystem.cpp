#include "faultinjectingfilesystem.h"

using namespace quillmark;
using Call = FaultInjectingFileSystem::Call;

namespace {

class FaultyReadableFile final : public ReadableFile
{
public:
    FaultyReadableFile(FaultInjectingFileSystem& files, std::unique_ptr<ReadableFile> file,
                       const QString& path)
        : m_files(files), m_file(std::move(file)), m_path(path)
    {}

    qint64 size() const override { return m_file->size(); }
    QByteArray identity() const override { return m_file->identity(); }

    Status readAt(qint64 offset, char* bytes, qint64 length, qint64& got) override
    {
        got = 0;
        if (const Status counted = m_files.count(Call::Read, m_path); counted.failed())
            return counted;
        const qint64 limit = m_files.readLimit();
        return m_file->readAt(offset, bytes, limit >= 0 ? qMin(length, limit) : length, got);
    }

private:
    FaultInjectingFileSystem& m_files;
    std::unique_ptr<ReadableFile> m_file;
    QString m_path;
};

class FaultyWritableFile final : public WritableFile
{
public:
    FaultyWritableFile(FaultInjectingFileSystem& files, std::unique_ptr<WritableFile> file,
                       const QString& path)
        : m_files(files), m_file(std::move(file)), m_path(path)
    {}

    Status write(const char* bytes, qint64 length) override
    {
        Status written = allowed(m_position + length);
        if (written.ok())
            written = m_file->write(bytes, length);
        m_position += written.ok() ? length : 0;
        return written;
    }

    Status writeAt(qint64 offset, const char* bytes, qint64 length) override
    {
        const Status allowedHere = allowed(offset + length);
        return allowedHere.ok() ? m_file->writeAt(offset, bytes, length) : allowedHere;
    }

    void startWritingBack() override { m_file->startWritingBack(); }

    Status sync() override
    {
        const Status counted = m_files.count(Call::Sync, m_path);
        return counted.ok() ? m_file->sync() : counted;
    }

    Status close() override
    {
        const Status counted = m_files.count(Call::Close, m_path);
        const Status closed = m_file->close();
        return counted.ok() ? closed : counted;
    }

private:
    Status allowed(qint64 end)
    {
        if (const Status counted = m_files.count(Call::Write, m_path); counted.failed())
            return counted;
        if (m_files.fileSizeLimit() >= 0 && end > m_files.fileSizeLimit())
            return Status::fileFailure(Status::Kind::TooLarge, m_path, QStringLiteral("File too large"));
        return Status();
    }

    FaultInjectingFileSystem& m_files;
    std::unique_ptr<WritableFile> m_file;
    QString m_path;
    qint64 m_position = 0;
};

// A process that died does not let go of its lock by itself.
class FaultyLock final : public HeldLock
{
public:
    FaultyLock(FaultInjectingFileSystem& files, std::unique_ptr<HeldLock> lock)
        : m_files(files), m_lock(std::move(lock))
    {}
    ~FaultyLock() override
    {
        if (m_files.crashed())
            m_files.keepAbandoned(std::move(m_lock));
    }

private:
    FaultInjectingFileSystem& m_files;
    std::unique_ptr<HeldLock> m_lock;
};

}  // namespace

FaultInjectingFileSystem::FaultInjectingFileSystem(FileSystem& wrapped) : FileSystemWrapper(wrapped) {}

FaultInjectingFileSystem::~FaultInjectingFileSystem() = default;

Status FaultInjectingFileSystem::count(Call call, const QString& path)
{
    m_calls.push_back({call, path});
    if (crashed())
        return Status::fileFailure(Status::Kind::Other, path, QStringLiteral("The process is gone"));
    for (Fault& fault : m_faults) {
        if (fault.call == call && fault.countdown > 0 && --fault.countdown == 0)
            return Status::fileFailure(fault.kind, path, fault.reason);
    }
    return Status();
}

void FaultInjectingFileSystem::failCall(Call call, int nth, Status::Kind kind, const QString& reason)
{
    m_faults.push_back({call, nth, kind, reason});
}

Status FaultInjectingFileSystem::openForReading(const QString& path, FinalLink link,
                                                std::unique_ptr<ReadableFile>& file)
{
    file.reset();
    std::unique_ptr<ReadableFile> opened;
    Status status = count(Call::Open, path);
    if (status.ok())
        status = FileSystemWrapper::openForReading(path, link, opened);
    if (status.ok())
        file = std::make_unique<FaultyReadableFile>(*this, std::move(opened), path);
    return status;
}

Status FaultInjectingFileSystem::createNew(const QString& path, std::unique_ptr<WritableFile>& file)
{
    file.reset();
    std::unique_ptr<WritableFile> created;
    Status status = count(Call::Create, path);
    if (status.ok())
        status = FileSystemWrapper::createNew(path, created);
    if (status.ok())
        file = std::make_unique<FaultyWritableFile>(*this, std::move(created), path);
    return status;
}

Status FaultInjectingFileSystem::createFolder(const QString& path)
{
    const Status counted = count(Call::Create, path);
    return counted.ok() ? FileSystemWrapper::createFolder(path) : counted;
}

Status FaultInjectingFileSystem::replace(const QString& from, const QString& to)
{
    const Status counted = count(Call::Replace, to);
    return counted.ok() ? FileSystemWrapper::replace(from, to) : counted;
}

Status FaultInjectingFileSystem::hardLink(const QString& existing, const QString& newName)
{
    const Status counted = count(Call::Link, newName);
    return counted.ok() ? FileSystemWrapper::hardLink(existing, newName) : counted;
}

Status FaultInjectingFileSystem::copy(const QString& from, const QString& to)
{
    const Status counted = count(Call::Copy, to);
    return counted.ok() ? FileSystemWrapper::copy(from, to) : counted;
}

Status FaultInjectingFileSystem::remove(const QString& path)
{
    const Status counted = count(Call::Remove, path);
    return counted.ok() ? FileSystemWrapper::remove(path) : counted;
}

Status FaultInjectingFileSystem::syncDirectory(const QString& path)
{
    const Status counted = count(Call::SyncDirectory, path);
    return counted.ok() ? FileSystemWrapper::syncDirectory(path) : counted;
}

Status FaultInjectingFileSystem::tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock)
{
    held = false;
    lock.reset();
    std::unique_ptr<HeldLock> taken;
    Status status = count(Call::Lock, path);
    if (status.ok())
        status = FileSystemWrapper::tryLock(path, held, taken);
    if (status.ok() && taken)
        lock = std::make_unique<FaultyLock>(*this, std::move(taken));
    return status;
}
