// The staged outputs of a job go in place together.
//
// Under the lock of every folder involved, every output is already whole on
// stable storage. Each target's earlier content gets a second name (a hard
// link: no copy, no moment without a target), then each folder gets a commit
// record listing its part of the set, then each staged file is renamed over
// its target in one step. A kill before the records leaves the old set;
// after them, the next job in each folder completes the new set there. A
// rename that fails turns the records into undos, which restore the earlier
// contents.

#include "stagedcommit.h"

#include "commitrecord.h"
#include "fileoperations.h"
#include "outputfolder.h"
#include "outputpath.h"
#include "stagedfile.h"
#include "stagingnames.h"

#include <QFileInfo>

#include <map>

namespace quillmark {

namespace {

QString folderOf(const QString& path, FileSystem& files)
{
    return outputpath::folderOf(path, files);
}

QString nameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

// A failure of the set as a whole is told against its first file.
Status againstFile(const StagedFile& file, const Status& failure)
{
    return failure.withFile(file.target());
}

class StagedCommit
{
public:
    StagedCommit(const std::vector<StagedFile*>& files, const CommitOptions& options)
        : m_files(files), m_options(options), m_fileSystem(*options.files), m_folders(options)
    {}

    Status run();

private:
    Status prepare();
    Status openFolders();
    Status keepEarlierContents();
    Status writeRecords();
    Status placeAll();
    void settleAll();
    Status rollBack(const Status& failure);
    void dropBackups();

    std::vector<StagedFile*> m_files;
    const CommitOptions& m_options;
    FileSystem& m_fileSystem;
    FolderSet m_folders;
    std::map<QString, CommitRecord> m_records;  // by folder
};

Status StagedCommit::run()
{
    if (const Status prepared = prepare(); prepared.failed()) {
        dropBackups();
        return prepared;
    }
    if (const Status placed = placeAll(); placed.failed())
        return rollBack(placed);
    settleAll();
    for (StagedFile* file : m_files)
        file->markCommitted();
    return Status();
}

// Closing reports the write errors that some file systems hold back until then.
Status StagedCommit::prepare()
{
    if (const Status opened = openFolders(); opened.failed())
        return opened;
    for (StagedFile* file : m_files) {
        if (const Status closed = file->close(); closed.failed())
            return closed;
    }
    if (const Status kept = keepEarlierContents(); kept.failed())
        return kept;
    return writeRecords();
}

Status StagedCommit::openFolders()
{
    QStringList folders;
    for (const StagedFile* file : m_files)
        folders << folderOf(file->destination(), m_fileSystem);
    const Status opened = m_folders.open(folders);
    return opened.ok() ? opened : againstFile(*m_files.front(), opened);
}

Status StagedCommit::keepEarlierContents()
{
    for (const StagedFile* file : m_files) {
        const QString& target = file->destination();
        CommitEntry entry{nameOf(file->temporaryPath()), nameOf(target), QString(), QByteArray()};
        EntryKind kind = EntryKind::Missing, followed = EntryKind::Missing;
        Status looked = m_fileSystem.identity(file->temporaryPath(), entry.identity);
        if (looked.ok())
            looked = m_fileSystem.entryKind(target, kind);
        if (looked.ok())
            looked = m_fileSystem.followedKind(target, followed);
        if (looked.failed())
            return looked.withFile(file->target());
        // The folder is a stranger's: what was a file, or nothing, when the
        // job began may be a device, a FIFO or a folder by now, and the
        // commit never moves one of those aside, let alone removes it.
        if (kind == EntryKind::Directory || followed == EntryKind::Special)
            return Status::fileFailure(Status::Kind::NotRegularFile, file->target(),
                                       QStringLiteral("not a regular file"));
        if (kind != EntryKind::Missing) {
            // A target that another program has taken up since the job began
            // (Windows) fails the commit before any second name is made,
            // which could not be removed while that program holds it.
            if (const Status replaceable = canReplace(m_fileSystem, target); replaceable.failed())
                return replaceable.withFile(file->target());
            const QString backup = stagingnames::backupName(target, m_fileSystem);
            // A file system without hard links gets a copy instead.
            const Status linked = m_fileSystem.hardLink(target, backup);
            if (linked.failed() && m_fileSystem.copy(target, backup).failed())
                return Status::fileFailure(
                    linked.kind(), file->target(),
                    QStringLiteral("Cannot keep its earlier content: %1").arg(linked.reason()));
            entry.backup = nameOf(backup);
        }
        m_records[folderOf(target, m_fileSystem)].entries.push_back(entry);
    }
    return Status();
}

// Every record is written before any rename, so that a kill part way leaves
// each folder with what completes its share of the set. When one cannot be
// written, nothing was renamed yet: the records written go again, and the
// set stays as it was.
Status StagedCommit::writeRecords()
{
    QStringList written;
    for (const auto& [folder, record] : m_records) {
        Status recorded = m_fileSystem.syncDirectory(folder);
        if (recorded.ok())
            recorded = record.write(folder, m_fileSystem);
        if (recorded.failed()) {
            for (const QString& done : written)
                (void)m_fileSystem.remove(CommitRecord::pathIn(done));
            return againstFile(*m_files.front(), recorded);
        }
        written << folder;
    }
    return Status();
}

Status StagedCommit::placeAll()
{
    for (size_t placed = 0; placed < m_files.size(); ++placed) {
        if (m_options.beforeRename)
            m_options.beforeRename(int(placed));
        const StagedFile& file = *m_files[placed];
        if (const Status renamed = m_fileSystem.replace(file.temporaryPath(), file.destination());
            renamed.failed())
            return renamed.withFile(file.target());
    }
    return Status();
}

// Every new content is in place: what is left is tidying up, which the
// records let the next job finish should this one die now.
void StagedCommit::settleAll()
{
    for (auto& [folder, record] : m_records) {
        if (record.settle(folder, m_fileSystem).ok()
            && m_fileSystem.remove(CommitRecord::pathIn(folder)).ok())
            (void)m_fileSystem.syncDirectory(folder);
    }
}

// Undone under rewritten records, so that a kill part way is undone by the
// next job instead of completed. All records are rewritten before any undo
// begins. When one cannot be, nothing is undone: the forward records stay,
// and the next job in each folder completes the new set instead.
Status StagedCommit::rollBack(const Status& failure)
{
    for (auto& [folder, record] : m_records) {
        record.direction = CommitRecord::Direction::Undo;
        if (const Status written = record.write(folder, m_fileSystem); written.failed())
            return failure.withMoreReason(
                QStringLiteral(
                    "the set could not be undone (%1: %2); the next job in the folder completes it")
                    .arg(written.file(), written.reason()));
    }
    Status result = failure;
    for (auto& [folder, record] : m_records) {
        const Status settled = record.settle(folder, m_fileSystem);
        if (settled.ok())
            (void)m_fileSystem.remove(CommitRecord::pathIn(folder));
        else
            result = result.withMoreReason(
                QStringLiteral(
                    "the set could not be undone yet (%1: %2); the next job in the folder undoes it")
                    .arg(settled.file(), settled.reason()));
    }
    return result;
}

void StagedCommit::dropBackups()
{
    for (const auto& [folder, record] : m_records) {
        for (const CommitEntry& entry : record.entries) {
            if (!entry.backup.isEmpty())
                (void)m_fileSystem.remove(folder + QLatin1Char('/') + entry.backup);
        }
    }
}

}  // namespace

Status commitStaged(const std::vector<StagedFile*>& files, const CommitOptions& options)
{
    for (StagedFile* file : files)
        file->startFlush();
    for (StagedFile* file : files) {
        if (const Status flushed = file->flush(); flushed.failed())
            return flushed;
    }
    return files.empty() ? Status() : StagedCommit(files, options).run();
}

}  // namespace quillmark
