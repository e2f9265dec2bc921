#include "interruptedcommit.h"

#include "commitrecord.h"
#include "outputfolder.h"
#include "outputpath.h"

namespace quillmark {

namespace {

// The folders in which `path` lies: its own, and the one its links lead to.
Status foldersOf(const QString& path, FileSystem& files, QStringList& folders)
{
    folders = QStringList{outputpath::folderOf(path, files)};
    QString file;
    if (const Status looked = files.canonicalPath(path, file); looked.failed())
        return looked;
    if (!file.isEmpty() && outputpath::folderOf(file, files) != folders.front())
        folders << outputpath::folderOf(file, files);
    return Status();
}

}  // namespace

Status settleFoldersOf(const QString& path, const CommitOptions& options)
{
    if (path.isEmpty())
        return Status();
    QStringList folders;
    if (const Status looked = foldersOf(path, *options.files, folders); looked.failed())
        return looked;
    for (const QString& folder : folders) {
        EntryKind record = EntryKind::Missing;
        if (const Status looked = options.files->entryKind(CommitRecord::pathIn(folder), record);
            looked.failed())
            return looked;
        if (record == EntryKind::Missing)
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
