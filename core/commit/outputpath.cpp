#include "outputpath.h"

#include <QDir>
#include <QFileInfo>

namespace quillmark::outputpath {

QString canonicalFolder(const QString& folder, FileSystem& files)
{
    const QString canonical = files.canonicalPath(folder);
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : canonical;
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
    const QByteArray identity = files.followedIdentity(folder);
    QString current = folder + QLatin1Char('/') + QFileInfo(target).fileName();
    for (int hops = 0; hops < MaxLinks; ++hops) {
        if (files.entryKind(current) != EntryKind::Link) {
            destination = current;
            return Status();
        }
        const QString next = files.linkTarget(current);
        if (next.isEmpty() || identity.isEmpty() || files.followedIdentity(folderOf(next, files)) != identity)
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
