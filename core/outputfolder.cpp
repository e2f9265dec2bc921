#include "outputfolder.h"

#include "commitrecord.h"
#include "platformfile.h"
#include "stagingnames.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

int OutputFolder::lockWait()
{
    return s_lockWait;
}

void OutputFolder::setLockWait(int milliseconds)
{
    s_lockWait = milliseconds;
}

QString OutputFolder::recordPath() const
{
    return m_path + QLatin1Char('/') + QLatin1String(stagingnames::RecordName);
}

bool OutputFolder::open()
{
    if (!lock())
        return false;
    if (recover())
        return true;
    m_lock.unlock();
    return false;
}

bool OutputFolder::lock()
{
    // A missing folder is reported as such before the lock is tried: on
    // Windows, QLockFile warns about an unexpected error on its own when the
    // folder is not there, a second line where one is promised.
    if (!QFileInfo(m_path).isDir()) {
        m_error = QStringLiteral("No such directory");
        return false;
    }
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
    const QString path = recordPath();
    if (!QFileInfo::exists(path))
        return true;
    QString error;
    const std::optional<CommitRecord> record = CommitRecord::read(path, error);
    std::string reason;
    if (record && record->settle(error)) {
        if (QFile::remove(path)
            && platformfile::syncDirectory(stagingnames::native(m_path).constData(), reason))
            return true;
        error = QStringLiteral("%1: %2").arg(path, QString::fromStdString(reason));
    }
    m_error = QStringLiteral("An interrupted commit cannot be completed: %1").arg(error);
    return false;
}

void OutputFolder::removeDebris(const QStringList& linkedFolders)
{
    QStringList folders{m_path};
    for (const QString& folder : linkedFolders) {
        if (!folders.contains(folder))
            folders << folder;
    }
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QString& name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            const QString path = dir.filePath(name);
            // No commit runs here now and none is left unfinished: no backup
            // is needed any more. Another folder's commits are its own lock's
            // business, so only its abandoned parts go.
            if (stagingnames::isBackup(name) && folder == m_path)
                QFile::remove(path);
            else if (stagingnames::isPart(name))
                platformfile::removeIfAbandoned(stagingnames::native(path).constData());
        }
    }
}
