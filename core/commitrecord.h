#pragma once

#include <QString>

#include <optional>
#include <vector>

// What a commit is about to do, written and flushed before its first rename
// and removed after its last, so that a job killed in between can be
// completed (or, when it was undoing a failed commit, undone) by the next job
// in the folder. Outputs written together then never stay part old, part new.
struct CommitEntry
{
    QString staged;  // the complete, flushed new content
    QString target;  // the file it replaces (links followed)
    QString backup;  // a second name of the target's earlier content; empty when there was none
};

class CommitRecord
{
public:
    enum class Direction { Forward, Undo };

    Direction direction = Direction::Forward;
    std::vector<CommitEntry> entries;

    // Writes the record to `path` in one step (a record is whole or absent)
    // and flushes it and its folder to stable storage.
    bool write(const QString& path, QString& error) const;

    // The record at `path`; none when it cannot be read or makes no sense.
    static std::optional<CommitRecord> read(const QString& path, QString& error);

    // Brings every entry to the end the direction names: forward, every
    // target takes its staged content; undo, every target has its earlier
    // content again (or is gone when it had none). Safe to repeat after a
    // kill part way. The backups and staged files left over are removed.
    bool settle(QString& error) const;

    // Flushes the folders of the targets (their names, new or renamed).
    bool syncFolders(QString& error) const;

private:
    bool settleForward(QString& error) const;
    bool settleUndo(QString& error) const;
};
