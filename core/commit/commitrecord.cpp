#include "commitrecord.h"

#include "fileoperations.h"
#include "json.h"
#include "stagingnames.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace quillmark {

namespace {

constexpr char Format[] = "quillmark-commit-2";

QString entryPath(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name;
}

// Whether the folder holds an entry of this name, of whatever kind: a link
// counts as itself, not as what it leads to.
Status holds(FileSystem& files, const QString& folder, const QString& name, bool& held)
{
    EntryKind kind = EntryKind::Missing;
    const Status looked = files.entryKind(entryPath(folder, name), kind);
    held = kind != EntryKind::Missing;
    return looked;
}

QByteArray encode(const CommitRecord& record)
{
    QJsonArray entries;
    for (const CommitEntry& entry : record.entries)
        entries.append(QJsonObject{{"staged", entry.staged},
                                   {"target", entry.target},
                                   {"backup", entry.backup},
                                   {"identity", QString::fromLatin1(entry.identity)}});
    const bool undo = record.direction == CommitRecord::Direction::Undo;
    return QJsonDocument(QJsonObject{{"format", Format},
                                     {"direction", undo ? "undo" : "forward"},
                                     {"entries", entries}})
        .toJson();
}

// Why an entry may not be acted on; empty when it may.
QString entryFault(const CommitEntry& entry)
{
    using namespace stagingnames;
    for (const QString& name : {entry.target, entry.staged, entry.backup}) {
        if (!name.isEmpty() && !isBareName(name))
            return QStringLiteral("it names a file outside its folder: %1").arg(name);
    }
    if (entry.target.isEmpty() || isPart(entry.target) || isBackup(entry.target)
        || entry.target == QLatin1String(RecordName) || entry.target == QLatin1String(LockName))
        return QStringLiteral("it names a target that is no output: %1").arg(entry.target);
    if (!isPartOf(entry.staged, entry.target))
        return QStringLiteral("it names a staged file that does not belong to %1: %2")
            .arg(entry.target, entry.staged);
    if (!entry.backup.isEmpty() && !isBackupOf(entry.backup, entry.target))
        return QStringLiteral("it names a backup that does not belong to %1: %2")
            .arg(entry.target, entry.backup);
    return QString();
}

// The record's entries, or why they are not a record's.
QString decodeEntries(const JsonValue& array, std::vector<CommitEntry>& entries)
{
    QSet<QString> targets;
    for (const JsonValue& object : array.items) {
        const auto text = [&object](const char* name) {
            const JsonValue* value = object.member(name);
            return value ? value->text() : QString();
        };
        const CommitEntry entry{text("staged"), text("target"), text("backup"), text("identity").toLatin1()};
        const QString fault = entryFault(entry);
        if (!fault.isEmpty())
            return fault;
        if (targets.contains(entry.target))
            return QStringLiteral("it names the target %1 twice").arg(entry.target);
        targets.insert(entry.target);
        entries.push_back(entry);
    }
    return entries.empty() ? QStringLiteral("it names no files") : QString();
}

QString decode(const QByteArray& bytes, CommitRecord& record)
{
    QString error;
    const std::optional<JsonValue> root = JsonValue::parse(bytes, error);
    if (!root)
        return QStringLiteral("not JSON: %1").arg(error);
    const JsonValue* format = root->member("format");
    const JsonValue* direction = root->member("direction");
    const JsonValue* entries = root->member("entries");
    const QString way = direction ? direction->text() : QString();
    if (!format || format->text() != QLatin1String(Format)
        || (way != QLatin1String("undo") && way != QLatin1String("forward")) || !entries
        || entries->kind != JsonValue::Kind::Array)
        return QStringLiteral("not a commit record this version understands");
    record.direction =
        way == QLatin1String("undo") ? CommitRecord::Direction::Undo : CommitRecord::Direction::Forward;
    record.entries.clear();
    return decodeEntries(*entries, record.entries);
}

}  // namespace

QString CommitRecord::pathIn(const QString& folder)
{
    return entryPath(folder, QLatin1String(stagingnames::RecordName));
}

Status CommitRecord::write(const QString& folder, FileSystem& files) const
{
    const QByteArray bytes = encode(*this);
    const QString path = pathIn(folder);
    const QString staged = stagingnames::partName(path, files);
    std::unique_ptr<WritableFile> file;
    Status written = files.createNew(staged, file);
    if (written.ok())
        written = file->write(bytes.constData(), bytes.size());
    if (written.ok())
        written = file->sync();
    if (written.ok())
        written = file->close();
    file.reset();
    if (written.ok())
        written = files.replace(staged, path);
    if (written.ok())
        written = files.syncDirectory(folder);
    if (written.failed()) {
        (void)files.remove(staged);
        return written.withFile(path);
    }
    return Status();
}

Status CommitRecord::read(const QString& folder, FileSystem& files, CommitRecord& record)
{
    const QString path = pathIn(folder);
    QByteArray bytes;
    if (const Status read = readSmallFile(files, path, MaxSize, bytes); read.failed())
        return read;
    const QString fault = decode(bytes, record);
    return fault.isEmpty() ? Status() : Status::fileFailure(Status::Kind::Damaged, path, fault);
}

Status CommitRecord::settle(const QString& folder, FileSystem& files)
{
    if (const Status checked = checkEntries(folder, files); checked.failed())
        return checked;
    bool forward = direction == Direction::Forward;
    Status settled = forward ? canGoForward(folder, files, forward) : Status();
    if (settled.failed())
        return settled;
    if (forward)
        settled = settleForward(folder, files);
    if (!forward || settled.failed())
        settled = undoInstead(folder, files);
    if (settled.ok())
        settled = files.syncDirectory(folder);
    if (settled.ok())
        removeLeftovers(folder, files);
    return settled;
}

// The record is data from anybody: what it names as a staged file or a
// backup is renamed over a target, so it must be a file of this folder and
// nothing that leads elsewhere.
Status CommitRecord::checkEntries(const QString& folder, FileSystem& files) const
{
    for (const CommitEntry& entry : entries) {
        for (const QString& name : {entry.staged, entry.backup}) {
            if (name.isEmpty())
                continue;
            EntryKind kind = EntryKind::Missing;
            if (const Status looked = files.entryKind(entryPath(folder, name), kind); looked.failed())
                return looked;
            if (kind != EntryKind::Missing && kind != EntryKind::RegularFile)
                return Status::fileFailure(
                    Status::Kind::Damaged, pathIn(folder),
                    QStringLiteral("it names %1, which is not a regular file").arg(name));
        }
    }
    return Status();
}

// A staged file that is gone was renamed into place, unless the target is
// some other file: then its new content is lost and the set cannot end new.
Status CommitRecord::canGoForward(const QString& folder, FileSystem& files, bool& forward) const
{
    forward = true;
    for (const CommitEntry& entry : entries) {
        bool staged = false;
        QByteArray target;
        Status looked = holds(files, folder, entry.staged, staged);
        if (looked.ok() && !staged && !entry.identity.isEmpty())
            looked = files.identity(entryPath(folder, entry.target), target);
        if (looked.failed())
            return looked;
        if (!staged && !entry.identity.isEmpty() && target != entry.identity)
            forward = false;
    }
    return Status();
}

Status CommitRecord::settleForward(const QString& folder, FileSystem& files) const
{
    for (const CommitEntry& entry : entries) {
        bool staged = false;
        if (const Status looked = holds(files, folder, entry.staged, staged); looked.failed())
            return looked;
        if (!staged)
            continue;
        if (const Status replaced =
                files.replace(entryPath(folder, entry.staged), entryPath(folder, entry.target));
            replaced.failed())
            return replaced;
    }
    return Status();
}

// Recorded as an undo before the first step back, so that a kill part way
// is undone, not completed, by the next job.
Status CommitRecord::undoInstead(const QString& folder, FileSystem& files)
{
    if (direction == Direction::Forward) {
        direction = Direction::Undo;
        if (const Status written = write(folder, files); written.failed())
            return written;
    }
    return settleUndo(folder, files);
}

void CommitRecord::removeLeftovers(const QString& folder, FileSystem& files) const
{
    for (const CommitEntry& entry : entries) {
        if (!entry.backup.isEmpty())
            (void)files.remove(entryPath(folder, entry.backup));
        (void)files.remove(entryPath(folder, entry.staged));
    }
}

// A target whose staged file is still there never lost its earlier content
// and is left alone (on Windows a rename between two names of one file fails
// while another program holds it). Otherwise the backup holds the earlier
// content. A target that had none is removed, and only when the file
// standing there is the staged file that took its place, so that a record
// cannot remove a file it did not make.
Status CommitRecord::settleUndo(const QString& folder, FileSystem& files) const
{
    for (const CommitEntry& entry : entries) {
        const QString target = entryPath(folder, entry.target);
        bool staged = false, backup = false;
        QByteArray standing;
        Status looked = holds(files, folder, entry.staged, staged);
        if (looked.ok() && !staged && !entry.backup.isEmpty())
            looked = holds(files, folder, entry.backup, backup);
        else if (looked.ok() && !staged && !entry.identity.isEmpty())
            looked = files.identity(target, standing);
        if (looked.failed())
            return looked;
        if (staged)
            continue;
        if (!entry.backup.isEmpty()) {
            if (!backup)
                continue;
            if (const Status replaced = files.replace(entryPath(folder, entry.backup), target);
                replaced.failed())
                return replaced;
        } else if (!entry.identity.isEmpty() && standing == entry.identity) {
            if (const Status removed = files.remove(target); removed.failed())
                return removed;
        }
    }
    return Status();
}

}  // namespace quillmark
