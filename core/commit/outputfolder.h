#pragma once

#include "commitoptions.h"
#include "status.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace quillmark {

// A folder that a job writes into, taken for the short moments in which a
// job cleans up, makes its outputs or commits there. Its lock
// (stagingnames::LockName) keeps two Quillmark processes, or the window and
// the command-line tool, from doing any of these at once; the system lets go
// of it when its holder dies, while a living holder keeps it however long it
// holds it. Jobs still write their outputs side by side: the lock is held only
// while a job starts and while it commits.
class OutputFolder
{
public:
    // `path` is the folder's canonical path (outputpath::canonicalFolder),
    // so that its lock and record are the same whichever way it was reached.
    OutputFolder(const QString& path, const CommitOptions& options);
    ~OutputFolder() = default;
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Takes the lock, waiting at most the options' lock wait for a living
    // holder, then completes or undoes a commit that a killed job left
    // unfinished. Fails (the file is the folder) when either cannot be done;
    // the lock is then let go.
    Status open();

    // Removes what killed jobs left behind here: files being written that no
    // living process owns, earlier contents of finished commits, the helper
    // files of locks of earlier versions. Only after open().
    void removeDebris();

    const QString& path() const { return m_path; }

private:
    Status lock();
    Status heldFailure() const;
    Status recover();

    QString m_path;
    int m_lockWait;
    FileSystem& m_files;
    std::unique_ptr<HeldLock> m_lock;
};

// Every folder a job touches at once. They are opened in one fixed order, so
// that two jobs sharing folders never each hold one the other waits for, and
// each is repaired before anything in it is touched. A folder reached by two
// paths counts once: it has one lock, which a job never waits on itself for.
class FolderSet
{
public:
    explicit FolderSet(const CommitOptions& options) : m_options(options) {}

    // Opens the folders; when one cannot be opened, fails with its reason,
    // and then none stays open.
    Status open(const QStringList& paths);

    const std::vector<std::unique_ptr<OutputFolder>>& folders() const { return m_folders; }

private:
    const CommitOptions& m_options;
    std::vector<std::unique_ptr<OutputFolder>> m_folders;
};

}  // namespace quillmark
