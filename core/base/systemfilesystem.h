#pragma once

// What the system's own file system is alike on every platform: the calls
// that Qt and the folder lock already make portable. The POSIX and the
// Windows file systems add the rest.

#include "filesystem.h"
#include "systemlock.h"

#include <QDir>
#include <QFileInfo>

namespace quillmark {

class SystemFileSystem : public FileSystem
{
public:
    QString canonicalPath(const QString& path) override { return QFileInfo(path).canonicalFilePath(); }

    QString linkTarget(const QString& path) override
    {
        return entryKind(path) == EntryKind::Link ? QFileInfo(path).symLinkTarget() : QString();
    }

    QStringList entries(const QString& folder) override
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

    Status tryLock(const QString& path, bool& held, std::unique_ptr<HeldLock>& lock) override
    {
        return systemlock::tryLock(path, held, lock);
    }

    LockHolder holderOf(const QString& path) override { return systemlock::holderOf(path); }
};

}  // namespace quillmark
