#include "outputpath.h"

#include "platformfile.h"

#include <QDir>
#include <QFileInfo>

namespace quillmark::outputpath {

QString canonicalFolder(const QString& folder)
{
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QString folderOf(const QString& path)
{
    return canonicalFolder(QFileInfo(path).absolutePath());
}

// A link may name its file by any path, an alias of the folder among them:
// what counts is whether the folder it leads into is this one.
Status resolve(const QString& target, QString& destination)
{
    // The system's own limit on a chain of links is of this order.
    constexpr int MaxLinks = 40;
    destination.clear();
    const QString folder = folderOf(target);
    const QByteArray identity = platformfile::followedIdentity(folder);
    QString current = folder + QLatin1Char('/') + QFileInfo(target).fileName();
    for (int hops = 0; hops < MaxLinks; ++hops) {
        if (platformfile::entryKind(current) != platformfile::EntryKind::Link) {
            destination = current;
            return Status();
        }
        const QString next = QFileInfo(current).symLinkTarget();
        if (next.isEmpty() || identity.isEmpty()
            || platformfile::followedIdentity(folderOf(next)) != identity)
            return Status::fileFailure(
                target, QStringLiteral("It is a link to %1, outside its folder")
                            .arg(next.isEmpty() ? QStringLiteral("something that is no file") : next));
        current = folder + QLatin1Char('/') + QFileInfo(next).fileName();
    }
    return Status::fileFailure(target, QStringLiteral("Too many levels of symbolic links"));
}

}  // namespace quillmark::outputpath
