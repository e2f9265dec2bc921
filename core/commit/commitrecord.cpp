#include "commitrecord.h"

#include "platformfile.h"
#include "stagingnames.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

using stagingnames::native;

namespace {

constexpr char Format[] = "quillmark-commit-2";

QString entryPath(const QString& folder, const QString& name)
{
    return folder + QLatin1Char('/') + name;
}

// Whether the folder holds an entry of this name, of whatever kind: a link
// counts as itself, not as what it leads to.
bool holds(const QString& folder, const QString& name)
{
    const QFileInfo info(entryPath(folder, name));
    return info.exists() || info.isSymLink();
}

bool replace(const QString& folder, const QString& from, const QString& to, QString& error)
{
    std::string reason;
    const QString target = entryPath(folder, to);
    if (platformfile::replaceFile(native(entryPath(folder, from)).constData(), native(target).constData(),
                                  reason))
        return true;
    error = QStringLiteral("%1: %2").arg(target, QString::fromStdString(reason));
    return false;
}

QByteArray encode(const CommitRecord& record)
{
    QJsonArray entries;
    for (const CommitEntry& entry : record.entries)
        entries.append(QJsonObject{{"staged", entry.staged},
                                   {"target", entry.target},
                                   {"backup", entry.backup},
                                   {"identity", entry.identity}});
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
            return QStringLiteral("It names a file outside its folder: %1").arg(name);
    }
    if (entry.target.isEmpty() || isPart(entry.target) || isBackup(entry.target)
        || entry.target == QLatin1String(RecordName) || entry.target == QLatin1String(LockName))
        return QStringLiteral("It names a target that is no output: %1").arg(entry.target);
    if (!isPartOf(entry.staged, entry.target))
        return QStringLiteral("It names a staged file that does not belong to %1: %2")
            .arg(entry.target, entry.staged);
    if (!entry.backup.isEmpty() && !isBackupOf(entry.backup, entry.target))
        return QStringLiteral("It names a backup that does not belong to %1: %2")
            .arg(entry.target, entry.backup);
    return QString();
}

// The record's entries, or why they are not a record's.
QString decodeEntries(const QJsonArray& array, std::vector<CommitEntry>& entries)
{
    QSet<QString> targets;
    for (const QJsonValue& value : array) {
        const QJsonObject object = value.toObject();
        const CommitEntry entry{object.value("staged").toString(), object.value("target").toString(),
                                object.value("backup").toString(), object.value("identity").toString()};
        const QString fault = entryFault(entry);
        if (!fault.isEmpty())
            return fault;
        if (targets.contains(entry.target))
            return QStringLiteral("It names the target %1 twice").arg(entry.target);
        targets.insert(entry.target);
        entries.push_back(entry);
    }
    return entries.empty() ? QStringLiteral("It names no files") : QString();
}

std::optional<CommitRecord> decode(const QByteArray& bytes, QString& fault)
{
    const QJsonObject root = QJsonDocument::fromJson(bytes).object();
    const QString direction = root.value("direction").toString();
    if (root.value("format").toString() != QLatin1String(Format)
        || (direction != QLatin1String("undo") && direction != QLatin1String("forward"))
        || !root.value("entries").isArray()) {
        fault = QStringLiteral("Not a commit record this version understands");
        return std::nullopt;
    }
    CommitRecord record;
    record.direction =
        direction == QLatin1String("undo") ? CommitRecord::Direction::Undo : CommitRecord::Direction::Forward;
    fault = decodeEntries(root.value("entries").toArray(), record.entries);
    if (!fault.isEmpty())
        return std::nullopt;
    return record;
}

}  // namespace

QString CommitRecord::pathIn(const QString& folder)
{
    return entryPath(folder, QLatin1String(stagingnames::RecordName));
}

bool CommitRecord::write(const QString& folder, QString& error) const
{
    const QByteArray bytes = encode(*this);
    const QString path = pathIn(folder);
    const QString staged = stagingnames::partName(path);
    platformfile::NativeFile file;
    std::string reason;
    bool written = file.createNew(native(staged).constData()) && file.write(bytes.constData(), bytes.size())
                   && file.sync() && file.close();
    if (!written)
        reason = file.error();
    written = written
              && platformfile::replaceFile(native(staged).constData(), native(path).constData(), reason)
              && platformfile::syncDirectory(native(folder).constData(), reason);
    if (!written) {
        file.close();
        QFile::remove(staged);
        error = QStringLiteral("%1: %2").arg(path, QString::fromStdString(reason));
    }
    return written;
}

std::optional<CommitRecord> CommitRecord::read(const QString& folder, QString& error)
{
    const QString path = pathIn(folder);
    std::string bytes;
    std::string reason;
    if (!platformfile::readSmallFile(native(path).constData(), MaxSize, bytes, reason)) {
        error = QStringLiteral("%1: %2").arg(path, QString::fromStdString(reason));
        return std::nullopt;
    }
    QString fault;
    std::optional<CommitRecord> record =
        decode(QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size())), fault);
    if (!record)
        error = QStringLiteral("%1: %2").arg(path, fault);
    return record;
}

bool CommitRecord::settle(const QString& folder, QString& error) const
{
    if (!(direction == Direction::Forward ? settleForward(folder, error) : settleUndo(folder, error)))
        return false;
    std::string reason;
    if (!platformfile::syncDirectory(native(folder).constData(), reason)) {
        error = QStringLiteral("%1: %2").arg(folder, QString::fromStdString(reason));
        return false;
    }
    for (const CommitEntry& entry : entries) {
        if (!entry.backup.isEmpty())
            QFile::remove(entryPath(folder, entry.backup));
        QFile::remove(entryPath(folder, entry.staged));
    }
    return true;
}

// A staged file that is gone was renamed into place already.
bool CommitRecord::settleForward(const QString& folder, QString& error) const
{
    for (const CommitEntry& entry : entries) {
        if (holds(folder, entry.staged) && !replace(folder, entry.staged, entry.target, error))
            return false;
    }
    return true;
}

// The backup holds the earlier content whether or not the new content went
// in (before it did, both names share one file). A target that had none is
// removed when its staged file took its place, and only then: the file
// standing there must be that staged file still, so that a record cannot
// remove a file it did not make.
bool CommitRecord::settleUndo(const QString& folder, QString& error) const
{
    for (const CommitEntry& entry : entries) {
        const QString target = entryPath(folder, entry.target);
        if (!entry.backup.isEmpty()) {
            if (holds(folder, entry.backup) && !replace(folder, entry.backup, entry.target, error))
                return false;
        } else if (!holds(folder, entry.staged) && !entry.identity.isEmpty()
                   && platformfile::fileIdentity(native(target).constData()) == entry.identity.toStdString()
                   && !QFile::remove(target)) {
            error = QStringLiteral("%1: Cannot remove it").arg(target);
            return false;
        }
    }
    return true;
}
