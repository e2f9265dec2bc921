#include "outputfolder.h"

#include "commitrecord.h"
#include "platformfile.h"
#include "stagingnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// Holders keep the lock for a commit's few renames and flushes, far less
// than this even on a slow disk.
int s_lockWait = 10000;
constexpr int StaleLockAge = 5000;

}  // namespace

OutputFolder::OutputFolder(const QString& path)
    : m_path(QDir(path).absolutePath()),
      m_lock(m_path + QLatin1Char('/') + QLatin1String(stagingnames::LockName))
{
    // A lock is stale when its process is gone. A living holder also holds
    // the system's lock on the file, which keeps it from being taken however
    // old it is; the age matters only for a lock file left empty by a
    // process killed while it was taking it, which names no process at all.
    m_lock.setStaleLockTime(StaleLockAge);
}

void OutputFolder::setLockWait(int milliseconds)
{
    s_lockWait = milliseconds;
}

bool OutputFolder::open()
{
    // A folder that is not there has no lock to take; saying so first keeps
    // the lock's own words about it out of the message.
    if (!QFileInfo(m_path).isDir()) {
        m_error = QStringLiteral("No such directory");
        return false;
    }
    if (!lock())
        return false;
    if (recover())
        return true;
    m_lock.unlock();
    return false;
}

bool OutputFolder::lock()
{
    if (m_lock.tryLock(s_lockWait))
        return true;
    m_error = lockFailure();
    return false;
}

QString OutputFolder::lockFailure() const
{
    if (m_lock.error() == QLockFile::LockFailedError) {
        qint64 pid = 0;
        QString host, application;
        m_lock.getLockInfo(&pid, &host, &application);
        return QStringLiteral("The folder is in use by another Quillmark job (%1, process %2): %3 is locked")
            .arg(application.isEmpty() ? QStringLiteral("unknown") : application)
            .arg(pid)
            .arg(m_lock.fileName());
    }
    if (m_lock.error() == QLockFile::PermissionError)
        return QStringLiteral("Permission denied");
    return QStringLiteral("Cannot create the lock %1").arg(m_lock.fileName());
}

bool OutputFolder::recover()
{
    const QString path = CommitRecord::pathIn(m_path);
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    QString error;
    const std::optional<CommitRecord> record = CommitRecord::read(m_path, error);
    std::string reason;
    if (record && record->settle(m_path, error)) {
        if (QFile::remove(path)
            && platformfile::syncDirectory(stagingnames::native(m_path).constData(), reason))
            return true;
        error = QStringLiteral("%1: %2").arg(path, QString::fromStdString(reason));
    }
    m_error = QStringLiteral("An interrupted commit cannot be completed: %1").arg(error);
    return false;
}

// No commit runs here now and none is left unfinished: no backup is needed
// any more, and a part that no living process owns will never be finished.
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
            platformfile::removeIfAbandoned(stagingnames::native(path).constData());
    }
}

bool FolderSet::open(const QStringList& paths)
{
    QStringList sorted;
    for (const QString& path : paths)
        sorted << QDir(path).absolutePath();
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    for (const QString& path : sorted) {
        auto folder = std::make_unique<OutputFolder>(path);
        if (!folder->open()) {
            m_error = folder->errorString();
            m_folders.clear();
            return false;
        }
        m_folders.push_back(std::move(folder));
    }
    return true;
}
