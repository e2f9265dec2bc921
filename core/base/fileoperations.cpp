#include "fileoperations.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

namespace quillmark {

namespace {

Status tooLarge(const QString& path, qint64 maxBytes)
{
    return Status::fileFailure(Status::Kind::TooLarge, path,
                               QStringLiteral("larger than %1 bytes").arg(maxBytes));
}

}  // namespace

Status readSmallFile(FileSystem& files, const QString& path, qint64 maxBytes, QByteArray& bytes)
{
    bytes.clear();
    std::unique_ptr<ReadableFile> file;
    if (const Status opened = files.openForReading(path, FinalLink::NotFollowed, file); opened.failed())
        return opened;
    if (file->size() > maxBytes)
        return tooLarge(path, maxBytes);
    // One byte more than the size asks, to notice a file that grew meanwhile.
    QByteArray read(qsizetype(file->size()) + 1, Qt::Uninitialized);
    qint64 got = 0;
    while (got < read.size()) {
        qint64 piece = 0;
        if (const Status status = file->readAt(got, read.data() + got, read.size() - got, piece);
            status.failed())
            return status;
        if (piece == 0)
            break;
        got += piece;
    }
    if (got > maxBytes)
        return tooLarge(path, maxBytes);
    read.truncate(qsizetype(got));
    bytes = read;
    return Status();
}

Status canReplace(FileSystem& files, const QString& path)
{
    constexpr int Looks = 20;
    for (int look = 1;; ++look) {
        const Status replaceable = files.checkReplaceable(path);
        const bool held = replaceable.is(Status::Kind::InUse) || replaceable.is(Status::Kind::Permission);
        if (!held || look == Looks)
            return replaceable;
        QThread::msleep(5 * ulong(look));
    }
}

Status removeIfAbandoned(FileSystem& files, const QString& path)
{
    EntryKind kind = EntryKind::Missing;
    if (const Status looked = files.entryKind(path, kind); looked.failed() || kind != EntryKind::RegularFile)
        return looked;
    bool owned = true;
    if (const Status asked = files.ownedByWriter(path, owned); asked.failed() || owned)
        return asked;
    return files.remove(path);
}

Status copyPermissions(FileSystem& files, const QString& from, const QString& to)
{
    std::optional<quint32> bits;
    if (const Status read = files.permissions(from, bits); read.failed() || !bits)
        return read;
    return files.setPermissions(to, *bits);
}

Status makeFolders(FileSystem& files, const QString& path)
{
    const QString folder = QDir::cleanPath(path);
    EntryKind kind = EntryKind::Missing;
    if (const Status looked = files.followedKind(folder, kind);
        looked.failed() || kind == EntryKind::Directory)
        return looked;
    if (kind != EntryKind::Missing)
        return Status::fileFailure(Status::Kind::NotRegularFile, folder, QStringLiteral("Not a directory"));
    const QString parent = QFileInfo(folder).path();
    if (parent != folder) {
        if (const Status made = makeFolders(files, parent); made.failed())
            return made;
    }
    return files.createFolder(folder);
}

}  // namespace quillmark
