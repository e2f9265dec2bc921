#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>

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

    // Takes the lock, waiting at most lockWait() for a living holder, then
    // completes or undoes a commit that a killed job left unfinished. False,
    // with errorString(), when either cannot be done; the lock is then let go.
    bool open();

    // Removes what killed jobs left behind (files being written that no
    // living process owns, earlier contents of finished commits) here and
    // in `linkedFolders` (where outputs that are links point). Only after open().
    void removeDebris(const QStringList& linkedFolders);

    QString recordPath() const;
    const QString& errorString() const { return m_error; }

    static int lockWait();
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
