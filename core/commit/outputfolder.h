#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// A folder that a job writes into, taken for the short moments in which a
// job cleans up or commits there. Its lock (stagingnames::LockName) keeps two
// Quillmark processes, or the window and the command-line tool, from doing
// either at once; a lock left by a killed process is recognised as stale
// and taken over. Jobs still write their outputs side by side: the lock is
// held only while a job starts and while it commits.
class OutputFolder
{
public:
    explicit OutputFolder(const QString& path);
    ~OutputFolder() = default;
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Takes the lock, waiting at most the lock wait for a living holder, then
    // completes or undoes a commit that a killed job left unfinished. False,
    // with errorString(), when either cannot be done; the lock is then let go.
    bool open();

    // Removes what killed jobs left behind here: files being written that no
    // living process owns, earlier contents of finished commits. Only after
    // open().
    void removeDebris();

    const QString& path() const { return m_path; }
    const QString& errorString() const { return m_error; }

    // Tests shorten the wait so that a held lock fails quickly.
    static void setLockWait(int milliseconds);

private:
    bool lock();
    bool recover();
    QString lockFailure() const;

    QString m_path;
    QLockFile m_lock;
    QString m_error;
};

// Every folder a job writes into: its output folder and those that its
// outputs' links lead to. They are opened in one fixed order, so that two
// jobs sharing folders never each hold one the other waits for, and each is
// repaired before anything in it is touched.
class FolderSet
{
public:
    // Opens the folders (duplicates count once); false, with errorString(),
    // when one cannot be opened, and then none stays open.
    bool open(const QStringList& paths);

    const std::vector<std::unique_ptr<OutputFolder>>& folders() const { return m_folders; }
    const QString& errorString() const { return m_error; }

private:
    std::vector<std::unique_ptr<OutputFolder>> m_folders;
    QString m_error;
};
