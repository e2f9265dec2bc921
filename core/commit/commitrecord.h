#pragma once

#include "filesystem.h"
#include "status.h"

#include <QString>

#include <vector>

namespace quillmark {

// What a commit is about to do in one folder, written and flushed there before
// its first rename and removed after its last, so that a job killed in between
// can be completed (or, when it was undoing a failed commit, undone) by the
// next job in the folder. Outputs written together then never stay part old,
// part new.
//
// A record is data found in a folder, which anybody may have put there: it
// names entries of its own folder only, by bare name, each a target with its
// staged file and backup named as this program names them. A record that says
// anything else is refused whole, and nothing it names is touched. Since it
// holds no paths, a folder moved or copied after a crash is repaired where it
// now lies.
struct CommitEntry
{
    QString staged;       // the complete, flushed new content
    QString target;       // the file it replaces
    QString backup;       // a second name of the target's earlier content; empty when there was none
    QByteArray identity;  // the staged file's identity (FileSystem::identity()); may be empty
};

class CommitRecord
{
public:
    enum class Direction { Forward, Undo };

    // A record is a few names; anything larger is not one.
    static constexpr qint64 MaxSize = qint64(64) << 10;

    Direction direction = Direction::Forward;
    std::vector<CommitEntry> entries;

    // Writes the record into `folder` in one step (a record is whole or
    // absent) and flushes it and the folder to stable storage.
    Status write(const QString& folder, FileSystem& files) const;

    // The record in `folder`. Fails, naming the record and what is wrong with
    // it, when it cannot be read or is not a record as written by write().
    static Status read(const QString& folder, FileSystem& files, CommitRecord& record);

    // Brings every entry to the end the direction names: forward, every
    // target takes its staged content; undo, every target has its earlier
    // content again (or is gone when it had none). A forward set that can no
    // longer be completed (a staged file lost, a rename the system refuses)
    // is undone instead, under an undo record, so that the folder ends with
    // one whole set either way. Safe to repeat after a kill part way. The
    // backups and staged files left over are removed, and the folder is
    // flushed. Nothing is touched when an entry's staged file or backup is
    // anything but a regular file of the folder (a link above all).
    Status settle(const QString& folder, FileSystem& files);

    // The record's own path in `folder`.
    static QString pathIn(const QString& folder);

private:
    Status checkEntries(const QString& folder, FileSystem& files) const;
    Status canGoForward(const QString& folder, FileSystem& files, bool& forward) const;
    Status settleForward(const QString& folder, FileSystem& files) const;
    Status undoInstead(const QString& folder, FileSystem& files);
    Status settleUndo(const QString& folder, FileSystem& files) const;
    void removeLeftovers(const QString& folder, FileSystem& files) const;
};

}  // namespace quillmark
