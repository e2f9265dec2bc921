// commitStaged: the staged outputs of a job go in place together.
//
// Under the folder's lock, every output is already whole on stable storage.
// Each target's earlier content gets a second name (a hard link: no copy, no
// moment without a target), then a commit record lists the set, then each
// staged file is renamed over its target in one step. A kill before the
// record leaves the old set; after it, the next job completes the new set.
// A rename that fails turns the record into an undo, which restores the
// earlier contents.

#include "stagedfile.h"

#include "commitrecord.h"
#include "outputfolder.h"
#include "stagingnames.h"

#include <QFile>
#include <QFileInfo>

using stagingnames::native;

namespace {

void (*s_beforeRename)(int placed) = nullptr;

}  // namespace

void setBeforeRenameHook(void (*hook)(int placed))
{
    s_beforeRename = hook;
}

class StagedCommit
{
public:
    explicit StagedCommit(const std::vector<StagedFile*>& files)
        : m_files(files), m_folder(QFileInfo(files.front()->target()).absolutePath())
    {}

    bool run();

private:
    bool closeAll();
    bool keepEarlierContents();
    bool writeRecord();
    bool placeAll();
    void rollBack();
    void dropBackups();

    std::vector<StagedFile*> m_files;
    OutputFolder m_folder;
    CommitRecord m_record;
};

bool StagedCommit::run()
{
    if (!m_folder.open()) {
        m_files.front()->fail(m_folder.errorString());
        return false;
    }
    if (!closeAll() || !keepEarlierContents() || !writeRecord()) {
        dropBackups();
        return false;
    }
    if (!placeAll()) {
        rollBack();
        return false;
    }
    // Every new content is in place: what is left is tidying up, which the
    // record lets the next job finish should this one die now.
    QString error;
    std::string reason;
    if (m_record.settle(error) && QFile::remove(m_folder.recordPath()))
        platformfile::syncDirectory(native(QFileInfo(m_folder.recordPath()).absolutePath()).constData(),
                                    reason);
    for (StagedFile* file : m_files)
        file->m_committed = true;
    return true;
}

// Closing reports the write errors that some file systems hold back until then.
bool StagedCommit::closeAll()
{
    for (StagedFile* file : m_files) {
        if (!file->m_file.close()) {
            file->fail(QString::fromStdString(file->m_file.error()));
            return false;
        }
    }
    return true;
}

bool StagedCommit::keepEarlierContents()
{
    for (StagedFile* file : m_files) {
        CommitEntry entry{file->m_temporary, file->m_destination, QString()};
        if (QFileInfo::exists(file->m_destination)) {
            std::string reason;
            // A target that another program has taken up since the job
            // began (Windows) fails the commit before any second name is
            // made, which could not be removed while that program holds it.
            if (!platformfile::canReplace(native(file->m_destination).constData(), reason)) {
                file->fail(QString::fromStdString(reason));
                return false;
            }
            entry.backup = stagingnames::backupName(file->m_destination);
            // A file system without hard links gets a copy instead.
            if (!platformfile::hardLink(native(entry.target).constData(), native(entry.backup).constData(),
                                        reason)
                && !QFile::copy(entry.target, entry.backup)) {
                file->fail(QStringLiteral("Cannot keep its earlier content: %1")
                               .arg(QString::fromStdString(reason)));
                return false;
            }
        }
        m_record.entries.push_back(entry);
    }
    return true;
}

bool StagedCommit::writeRecord()
{
    QString error;
    if (m_record.syncFolders(error) && m_record.write(m_folder.recordPath(), error))
        return true;
    m_files.front()->fail(error);
    return false;
}

bool StagedCommit::placeAll()
{
    for (size_t placed = 0; placed < m_files.size(); ++placed) {
        if (s_beforeRename)
            s_beforeRename(int(placed));
        StagedFile* file = m_files[placed];
        std::string reason;
        if (!platformfile::replaceFile(native(file->m_temporary).constData(),
                                       native(file->m_destination).constData(), reason)) {
            file->fail(QString::fromStdString(reason));
            return false;
        }
    }
    return true;
}

// Undone under a rewritten record, so that a kill part way is undone by the
// next job instead of completed.
void StagedCommit::rollBack()
{
    m_record.direction = CommitRecord::Direction::Undo;
    QString error;
    m_record.write(m_folder.recordPath(), error);
    if (m_record.settle(error))
        QFile::remove(m_folder.recordPath());
}

void StagedCommit::dropBackups()
{
    for (const CommitEntry& entry : m_record.entries) {
        if (!entry.backup.isEmpty())
            QFile::remove(entry.backup);
    }
}

bool commitStaged(const std::vector<StagedFile*>& files)
{
    for (StagedFile* file : files)
        file->startFlush();
    for (StagedFile* file : files) {
        if (!file->finish())
            return false;
    }
    return files.empty() || StagedCommit(files).run();
}
