#include "outputfolder.h"

#include "commitrecord.h"
#include "fileoperations.h"
#include "outputpath.h"
#include "stagingnames.h"

#include <QDeadlineTimer>
#include <QThread>

#include <algorithm>
#include <map>

namespace quillmark {

namespace {

QString lockPath(const QString& folder)
{
    return folder + QLatin1Char('/') + QLatin1String(stagingnames::LockName);
}

// Earlier versions took their lock with helper files beside it
// (".quillmark-lock.rmlock", and one of those for that one); this version
// makes none, so any found is left over.
bool isOldLockHelper(const QString& name)
{
    const QString prefix = QLatin1String(stagingnames::LockName) + QLatin1String(".rmlock");
    return name.startsWith(prefix) && name.mid(prefix.size()).remove(QLatin1String(".rmlock")).isEmpty();
}

}  // namespace

OutputFolder::OutputFolder(const QString& path, const CommitOptions& options)
    : m_path(path), m_lockWait(options.lockWaitMilliseconds), m_files(*options.files)
{}

Status OutputFolder::open()
{
    // A folder that is not there has no lock to take; saying so first keeps
    // the lock's own words about it out of the message.
    EntryKind folder = EntryKind::Missing;
    if (const Status looked = m_files.entryKind(m_path, folder); looked.failed())
        return looked;
    if (folder == EntryKind::Missing)
        return Status::fileFailure(Status::Kind::NotFound, m_path, QStringLiteral("No such directory"));
    if (folder != EntryKind::Directory)
        return Status::fileFailure(Status::Kind::NotRegularFile, m_path, QStringLiteral("Not a directory"));
    if (const Status locked = lock(); locked.failed())
        return locked;
    const Status recovered = recover();
    if (recovered.failed())
        m_lock.reset();
    return recovered;
}

// A holder is waited for in short steps, up to the wait; a dead one has let
// go already.
Status OutputFolder::lock()
{
    constexpr int Step = 20;
    const QDeadlineTimer deadline(m_lockWait);
    for (;;) {
        bool held = false;
        if (const Status taken = m_files.tryLock(lockPath(m_path), held, m_lock); taken.failed()) {
            if (taken.is(Status::Kind::Permission))
                return taken.withFile(m_path);
            return Status::fileFailure(
                taken.kind(), m_path,
                QStringLiteral("Cannot create the lock %1: %2").arg(lockPath(m_path), taken.reason()));
        }
        if (!held)
            return Status();
        if (deadline.hasExpired())
            return heldFailure();
        QThread::msleep(ulong(qBound(qint64(1), deadline.remainingTime(), qint64(Step))));
    }
}

Status OutputFolder::heldFailure() const
{
    // A holder writes who it is just after it takes the lock, and some
    // systems do not let the lock's file be read while it is held: who holds
    // it is then not known, only that another job does. So it is when its
    // file cannot be read at all: the folder is held all the same.
    LockHolder holder;
    if (m_files.holderOf(lockPath(m_path), holder).failed())
        holder = LockHolder();
    QString who = QStringLiteral("another job");
    if (holder.pid > 0)
        who = QStringLiteral("another Quillmark job (%1, process %2)")
                  .arg(holder.application.isEmpty() ? QStringLiteral("unknown") : holder.application)
                  .arg(holder.pid);
    return Status::fileFailure(
        Status::Kind::InUse, m_path,
        QStringLiteral("The folder is in use by %1: %2 is locked").arg(who, lockPath(m_path)));
}

Status OutputFolder::recover()
{
    const QString recordPath = CommitRecord::pathIn(m_path);
    EntryKind kind = EntryKind::Missing;
    Status recovered = m_files.entryKind(recordPath, kind);
    if (recovered.ok() && kind == EntryKind::Missing)
        return Status();
    CommitRecord record;
    if (recovered.ok())
        recovered = CommitRecord::read(m_path, m_files, record);
    if (recovered.ok())
        recovered = record.settle(m_path, m_files);
    if (recovered.ok())
        recovered = m_files.remove(recordPath);
    if (recovered.ok())
        recovered = m_files.syncDirectory(m_path);
    if (recovered.ok())
        return recovered;
    return Status::fileFailure(recovered.kind(), m_path,
                               QStringLiteral("An interrupted commit cannot be completed: %1: %2")
                                   .arg(recovered.file(), recovered.reason()));
}

// No commit runs here now and none is left unfinished, and no other job
// makes a file here while this one holds the lock: no backup is needed any
// more, and a part that no living process owns will never be finished.
// Anything but a regular file is left alone, whatever its name, except the
// helpers of old locks, which go without being opened. Debris is cleared as
// far as it can be: what cannot be looked at or removed now stays for a
// later job, and costs this one nothing.
void OutputFolder::removeDebris()
{
    QStringList names;
    (void)m_files.entries(m_path, names);
    for (const QString& name : names) {
        const QString path = m_path + QLatin1Char('/') + name;
        EntryKind kind = EntryKind::Missing;
        if (m_files.entryKind(path, kind).failed())
            continue;
        const bool regular = kind == EntryKind::RegularFile;
        if ((isOldLockHelper(name) && kind != EntryKind::Directory)
            || (regular && stagingnames::isBackup(name)))
            (void)m_files.remove(path);
        else if (regular && stagingnames::isPart(name))
            (void)removeIfAbandoned(m_files, path);
    }
}

// Folders are known by their identity, so that two paths to one folder take
// its lock once; they are taken in the order of their canonical paths.
Status FolderSet::open(const QStringList& paths)
{
    FileSystem& files = *m_options.files;
    std::map<QString, QByteArray> byPath;
    for (const QString& path : paths) {
        const QString canonical = outputpath::canonicalFolder(path, files);
        QByteArray identity;
        if (const Status looked = files.followedIdentity(canonical, identity); looked.failed())
            return looked;
        byPath.emplace(canonical, identity);
    }
    std::vector<QByteArray> opened;
    for (const auto& [path, identity] : byPath) {
        if (!identity.isEmpty() && std::find(opened.begin(), opened.end(), identity) != opened.end())
            continue;
        auto folder = std::make_unique<OutputFolder>(path, m_options);
        if (const Status status = folder->open(); status.failed()) {
            m_folders.clear();
            return status;
        }
        opened.push_back(identity);
        m_folders.push_back(std::move(folder));
    }
    return Status();
}

}  // namespace quillmark
