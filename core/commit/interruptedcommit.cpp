#include "interruptedcommit.h"

#include "commitrecord.h"
#include "outputfolder.h"
#include "outputpath.h"

namespace quillmark {

namespace {

// The folders in which `path` lies: its own, and the one its links lead to.
QStringList foldersOf(const QString& path, FileSystem& files)
{
    QStringList folders{outputpath::folderOf(path, files)};
    const QString file = files.canonicalPath(path);
    if (!file.isEmpty() && outputpath::folderOf(file, files) != folders.front())
        folders << outputpath::folderOf(file, files);
    return folders;
}

}  // namespace

Status settleFoldersOf(const QString& path, const CommitOptions& options)
{
    if (path.isEmpty())
        return Status();
    for (const QString& folder : foldersOf(path, *options.files)) {
        if (options.files->entryKind(CommitRecord::pathIn(folder)) == EntryKind::Missing)
            continue;
        FolderSet repaired(options);
        if (const Status opened = repaired.open({folder}); opened.failed())
            return Status::fileFailure(
                opened.kind(), folder,
                QStringLiteral("holds an interrupted commit: %1").arg(opened.reason()));
    }
    return Status();
}

}  // namespace quillmark
