#include "outputpath.h"

#include <QDir>
#include <QFileInfo>

namespace quillmark::outputpath {

// A folder whose canonical path cannot be had (no right to look along the
// way) is taken by its own path: the lock or the first file made there then
// fails with the system's reason, naming the folder.
QString canonicalFolder(const QString& folder, FileSystem& files)
{
    QString canonical;
    if (files.canonicalPath(folder, canonical).failed() || canonical.isEmpty())
        return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return canonical;
}

QString folderOf(const QString& path, FileSystem& files)
{
    return canonicalFolder(QFileInfo(path).absolutePath(), files);
}

// A link may name its file by any path, an alias of the folder among them:
// what counts is whether the folder it leads into is this one.
Status resolve(const QString& target, FileSystem& files, QString& destination)
{
    // The system's own limit on a chain of links is of this order.
    constexpr int MaxLinks = 40;
    destination.clear();
    const QString folder = folderOf(target, files);
    QByteArray identity;
    if (const Status looked = files.followedIdentity(folder, identity); looked.failed())
        return looked;
    QString current = folder + QLatin1Char('/') + QFileInfo(target).fileName();
    for (int hops = 0; hops < MaxLinks; ++hops) {
        EntryKind kind = EntryKind::Missing;
        QString next;
        QByteArray nextFolder;
        Status looked = files.entryKind(current, kind);
        if (looked.ok() && kind == EntryKind::Link)
            looked = files.linkTarget(current, next);
        if (looked.ok() && !next.isEmpty())
            looked = files.followedIdentity(folderOf(next, files), nextFolder);
        if (looked.failed())
            return looked.withFile(target);
        if (kind != EntryKind::Link) {
            destination = current;
            return Status();
        }
        if (next.isEmpty() || identity.isEmpty() || nextFolder != identity)
            return Status::fileFailure(
                Status::Kind::Permission, target,
                QStringLiteral("It is a link to %1, outside its folder")
                    .arg(next.isEmpty() ? QStringLiteral("something that is no file") : next));
        current = folder + QLatin1Char('/') + QFileInfo(next).fileName();
    }
    return Status::fileFailure(Status::Kind::NotFound, target,
                               QStringLiteral("Too many levels of symbolic links"));
}

}  // namespace quillmark::outputpath
