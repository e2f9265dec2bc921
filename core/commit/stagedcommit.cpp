// commitStaged: the staged outputs of a job go in place together.
//
// Under the lock of every folder involved, every output is already whole on
// stable storage. Each target's earlier content gets a second name (a hard
// link: no copy, no moment without a target), then each folder gets a commit
// record listing its part of the set, then each staged file is renamed over
// its target in one step. A kill before the records leaves the old set;
// after them, the next job in each folder completes the new set there. A
// rename that fails turns the records into undos, which restore the earlier
// contents.

#include "stagedfile.h"

#include "commitrecord.h"
#include "outputfolder.h"
#include "stagingnames.h"

#include <QFile>
#include <QFileInfo>

#include <map>

using stagingnames::native;

namespace {

void (*s_beforeRename)(int placed) = nullptr;

QString folderOf(const QString& path)
{
    return QFileInfo(path).absolutePath();
}

QString nameOf(const QString& path)
{
    return QFileInfo(path).fileName();
}

}  // namespace

void setBeforeRenameHook(void (*hook)(int placed))
{
    s_beforeRename = hook;
}

class StagedCommit
{
public:
    explicit StagedCommit(const std::vector<StagedFile*>& files) : m_files(files) {}

    bool run();

private:
    bool openFolders();
    bool closeAll();
    bool keepEarlierContents();
    bool writeRecords();
    bool placeAll();
    void settleAll();
    void rollBack(StagedFile* failed);
    void dropBackups();

    std::vector<StagedFile*> m_files;
    FolderSet m_folders;
    std::map<QString, CommitRecord> m_records;  // by folder
};

bool StagedCommit::run()
{
    if (!openFolders() || !closeAll() || !keepEarlierContents() || !writeRecords()) {
        dropBackups();
        return false;
    }
    for (size_t placed = 0; placed < m_files.size(); ++placed) {
        if (s_beforeRename)
            s_beforeRename(int(placed));
        StagedFile* file = m_files[placed];
        std::string reason;
        if (!platformfile::replaceFile(native(file->m_temporary).constData(),
                                       native(file->m_destination).constData(), reason)) {
            file->fail(QString::fromStdString(reason));
            rollBack(file);
            return false;
        }
    }
    settleAll();
    for (StagedFile* file : m_files)
        file->m_committed = true;
    return true;
}

bool StagedCommit::openFolders()
{
    QStringList folders;
    for (const StagedFile* file : m_files)
        folders << folderOf(file->m_destination);
    if (m_folders.open(folders))
        return true;
    m_files.front()->fail(m_folders.errorString());
    return false;
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
        const QString& target = file->m_destination;
        CommitEntry entry{
            nameOf(file->m_temporary), nameOf(target), QString(),
            QString::fromStdString(platformfile::fileIdentity(native(file->m_temporary).constData()))};
        if (QFileInfo::exists(target)) {
            const QString backup = stagingnames::backupName(target);
            std::string reason;
            // A file system without hard links gets a copy instead.
            if (!platformfile::hardLink(native(target).constData(), native(backup).constData(), reason)
                && !QFile::copy(target, backup)) {
                file->fail(QStringLiteral("Cannot keep its earlier content: %1")
                               .arg(QString::fromStdString(reason)));
                return false;
            }
            entry.backup = nameOf(backup);
        }
        m_records[folderOf(target)].entries.push_back(entry);
    }
    return true;
}

// Every record is written before any rename, so that a kill part way leaves
// each folder with what completes its share of the set.
bool StagedCommit::writeRecords()
{
    QStringList written;
    for (const auto& [folder, record] : m_records) {
        QString error;
        std::string reason;
        if (!platformfile::syncDirectory(native(folder).constData(), reason))
            error = QStringLiteral("%1: %2").arg(folder, QString::fromStdString(reason));
        else if (record.write(folder, error))
            written << folder;
        if (!error.isEmpty()) {
            // Nothing was renamed yet: the set stays as it was.
            for (const QString& done : written)
                QFile::remove(CommitRecord::pathIn(done));
            m_files.front()->fail(error);
            return false;
        }
    }
    return true;
}

// Every new content is in place: what is left is tidying up, which the
// records let the next job finish should this one die now.
void StagedCommit::settleAll()
{
    for (const auto& [folder, record] : m_records) {
        QString error;
        std::string reason;
        if (record.settle(folder, error) && QFile::remove(CommitRecord::pathIn(folder)))
            platformfile::syncDirectory(native(folder).constData(), reason);
    }
}

// Undone under rewritten records, so that a kill part way is undone by the
// next job instead of completed. All records are rewritten before any undo
// begins. When one cannot be, nothing is undone: the forward records stay,
// and the next job in each folder completes the new set instead.
void StagedCommit::rollBack(StagedFile* failed)
{
    QString error;
    for (auto& [folder, record] : m_records) {
        record.direction = CommitRecord::Direction::Undo;
        if (!record.write(folder, error)) {
            failed->appendReason(
                QStringLiteral("the set could not be undone (%1); the next job here completes it")
                    .arg(error));
            return;
        }
    }
    for (const auto& [folder, record] : m_records) {
        if (record.settle(folder, error))
            QFile::remove(CommitRecord::pathIn(folder));
        else
            failed->appendReason(
                QStringLiteral("the set could not be undone (%1); the next job here undoes it").arg(error));
    }
}

void StagedCommit::dropBackups()
{
    for (const auto& [folder, record] : m_records) {
        for (const CommitEntry& entry : record.entries) {
            if (!entry.backup.isEmpty())
                QFile::remove(folder + QLatin1Char('/') + entry.backup);
        }
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
