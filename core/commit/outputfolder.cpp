#include "outputfolder.h"

#include "commitrecord.h"
#include "platformfile.h"
#include "stagingnames.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace quillmark {

namespace {

// A lock file that names no process was left by one killed while it was
// taking the lock; once it is this old, nobody is still taking it.
constexpr qint64 EmptyLockAge = 5000;

QString lockPath(const QString& folder)
{
    return folder + QLatin1Char('/') + QLatin1String(stagingnames::LockName);
}

QString takeOverPath(const QString& folder)
{
    // Where QLockFile keeps two processes from taking over a stale lock at once.
    return lockPath(folder) + QLatin1String(".rmlock");
}

// A lock that names no process and has stood long enough is removed, as
// QLockFile removes a stale one: only when no living process holds it.
void removeIfEmptyAndOld(QLockFile& lock)
{
    qint64 pid = 0;
    QString host, application;
    const QFileInfo info(lock.fileName());
    if (info.exists() && !lock.getLockInfo(&pid, &host, &application)
        && info.lastModified().msecsTo(QDateTime::currentDateTime()) > EmptyLockAge)
        lock.removeStaleLockFile();
}

}  // namespace

// A lock is stale when its process is gone, never by its age alone: a
// commit on a slow disk may hold it for long, and keeps it all the while.
OutputFolder::OutputFolder(const QString& path, const CommitOptions& options)
    : m_path(QDir(path).absolutePath()), m_lockWait(options.lockWaitMilliseconds), m_lock(lockPath(m_path))
{
    m_lock.setStaleLockTime(0);
}

Status OutputFolder::open()
{
    // A folder that is not there has no lock to take; saying so first keeps
    // the lock's own words about it out of the message.
    const QFileInfo folder(m_path);
    if (!folder.isDir())
        return Status::fileFailure(m_path, folder.exists() ? QStringLiteral("Not a directory")
                                                           : QStringLiteral("No such directory"));
    if (const Status locked = lock(); locked.failed())
        return locked;
    const Status recovered = recover();
    if (recovered.failed())
        m_lock.unlock();
    return recovered;
}

// The lock files are read by QLockFile; anything but a regular file there
// (a FIFO would keep it waiting for ever) is refused before it looks.
Status OutputFolder::checkLockFiles() const
{
    for (const QString& path : {lockPath(m_path), takeOverPath(m_path)}) {
        const QFileInfo info(path);
        if ((info.exists() || info.isSymLink()) && (!info.isFile() || info.isSymLink()))
            return Status::fileFailure(m_path, QStringLiteral("%1 is not a regular file").arg(path));
    }
    return Status();
}

// Waits in short steps, so that a lock left empty by a killed process is
// taken over once it has stood long enough, within the wait.
Status OutputFolder::lock()
{
    if (const Status checked = checkLockFiles(); checked.failed())
        return checked;
    constexpr int Step = 200;
    const QDeadlineTimer deadline(m_lockWait);
    for (;;) {
        if (m_lock.tryLock(int(qMin<qint64>(Step, deadline.remainingTime()))))
            return Status();
        if (m_lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return lockFailure();
        removeIfEmptyAndOld(m_lock);
    }
}

Status OutputFolder::lockFailure() const
{
    const QString path = m_lock.fileName();
    if (m_lock.error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, application;
        m_lock.getLockInfo(&pid, &host, &application);
        return Status::fileFailure(
            m_path,
            QStringLiteral("The folder is in use by another Quillmark job (%1, process %2): %3 is locked")
                .arg(application.isEmpty() ? QStringLiteral("unknown") : application)
                .arg(pid)
                .arg(path));
    }
    if (m_lock.error() == QLockFile::PermissionError)
        return Status::fileFailure(m_path, QStringLiteral("Permission denied"));
    // QLockFile keeps the system's reason to itself; creating a file of our
    // own there tells it.
    platformfile::NativeFile probe;
    const QString probePath = stagingnames::partName(path);
    const char pid[] = "0\n";
    Status created = probe.createNew(probePath);
    if (created.ok())
        created = probe.write(pid, sizeof pid);
    if (created.ok())
        created = probe.sync();
    (void)probe.close();
    QFile::remove(probePath);
    return Status::fileFailure(
        m_path, QStringLiteral("Cannot create the lock %1: %2")
                    .arg(path, created.failed() ? created.reason() : QStringLiteral("Unknown error")));
}

Status OutputFolder::recover()
{
    const QFileInfo info(CommitRecord::pathIn(m_path));
    if (!info.exists() && !info.isSymLink())
        return Status();
    CommitRecord record;
    Status recovered = CommitRecord::read(m_path, record);
    if (recovered.ok())
        recovered = record.settle(m_path);
    if (recovered.ok() && !QFile::remove(info.filePath()))
        recovered = Status::fileFailure(info.filePath(), QStringLiteral("Cannot remove it"));
    if (recovered.ok())
        recovered = platformfile::syncDirectory(m_path);
    if (recovered.ok())
        return recovered;
    return Status::fileFailure(m_path, QStringLiteral("An interrupted commit cannot be completed: %1: %2")
                                           .arg(recovered.file(), recovered.reason()));
}

// No commit runs here now and none is left unfinished: no backup is needed
// any more, and a part that no living process owns will never be finished.
// Anything but a regular file is left alone, whatever its name.
void OutputFolder::removeDebris()
{
    const QDir dir(m_path);
    for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString path = dir.filePath(name);
        const QFileInfo info(path);
        if (!info.isFile() || info.isSymLink())
            continue;
        if (stagingnames::isBackup(name))
            QFile::remove(path);
        else if (stagingnames::isPart(name))
            platformfile::removeIfAbandoned(path);
    }
    QLockFile takeOver(takeOverPath(m_path));
    takeOver.setStaleLockTime(0);
    if (QFileInfo::exists(takeOver.fileName()) && takeOver.tryLock(0))
        takeOver.unlock();
    else
        removeIfEmptyAndOld(takeOver);
}

Status FolderSet::open(const QStringList& paths)
{
    QStringList sorted;
    for (const QString& path : paths)
        sorted << QDir(path).absolutePath();
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (const QString& path : sorted) {
        auto folder = std::make_unique<OutputFolder>(path, m_options);
        if (const Status opened = folder->open(); opened.failed()) {
            m_folders.clear();
            return opened;
        }
        m_folders.push_back(std::move(folder));
    }
    return Status();
}

}  // namespace quillmark
