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

constexpr char Format[] = "quillmark-commit-1";

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

bool replace(const QString& from, const QString& to, QString& error)
{
    std::string reason;
    if (platformfile::replaceFile(native(from).constData(), native(to).constData(), reason))
        return true;
    error = QStringLiteral("%1: %2").arg(to, QString::fromStdString(reason));
    return false;
}

QByteArray encode(const CommitRecord& record)
{
    QJsonArray entries;
    for (const CommitEntry& entry : record.entries)
        entries.append(
            QJsonObject{{"staged", entry.staged}, {"target", entry.target}, {"backup", entry.backup}});
    const bool undo = record.direction == CommitRecord::Direction::Undo;
    return QJsonDocument(QJsonObject{{"format", Format},
                                     {"direction", undo ? "undo" : "forward"},
                                     {"entries", entries}})
        .toJson();
}

}  // namespace

bool CommitRecord::write(const QString& path, QString& error) const
{
    const QByteArray bytes = encode(*this);
    const QString staged = stagingnames::partName(path);
    platformfile::NativeFile file;
    std::string reason;
    bool written = file.createNew(native(staged).constData()) && file.write(bytes.constData(), bytes.size())
                   && file.sync() && file.close();
    if (!written)
        reason = file.error();
    written = written
              && platformfile::replaceFile(native(staged).constData(), native(path).constData(), reason)
              && platformfile::syncDirectory(native(QFileInfo(path).absolutePath()).constData(), reason);
    if (!written) {
        file.close();
        QFile::remove(staged);
        error = QStringLiteral("%1: %2").arg(path, QString::fromStdString(reason));
    }
    return written;
}

std::optional<CommitRecord> CommitRecord::read(const QString& path, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    const QString direction = root.value("direction").toString();
    CommitRecord record;
    record.direction = direction == QLatin1String("undo") ? Direction::Undo : Direction::Forward;
    for (const QJsonValue& value : root.value("entries").toArray()) {
        const QJsonObject entry = value.toObject();
        record.entries.push_back({entry.value("staged").toString(), entry.value("target").toString(),
                                  entry.value("backup").toString()});
        if (record.entries.back().staged.isEmpty() || record.entries.back().target.isEmpty())
            record.entries.clear();
    }
    if (root.value("format").toString() != QLatin1String(Format)
        || (direction != QLatin1String("undo") && direction != QLatin1String("forward"))
        || record.entries.empty()) {
        error = QStringLiteral("%1: Not a commit record this version understands").arg(path);
        return std::nullopt;
    }
    return record;
}

bool CommitRecord::settle(QString& error) const
{
    if (!(direction == Direction::Forward ? settleForward(error) : settleUndo(error)) || !syncFolders(error))
        return false;
    for (const CommitEntry& entry : entries) {
        if (!entry.backup.isEmpty())
            QFile::remove(entry.backup);
        QFile::remove(entry.staged);
    }
    return true;
}

// A staged file that is gone was renamed into place already.
bool CommitRecord::settleForward(QString& error) const
{
    for (const CommitEntry& entry : entries) {
        if (exists(entry.staged) && !replace(entry.staged, entry.target, error))
            return false;
    }
    return true;
}

// The backup holds the earlier content whether or not the new content went
// in (before it did, both names share one file). A target whose staged file
// is still there never lost its earlier content and is left alone: on
// Windows a rename between two names of one file fails while another program
// holds it. A target that had none is removed when its staged file is gone,
// that is, when it took its place.
bool CommitRecord::settleUndo(QString& error) const
{
    for (const CommitEntry& entry : entries) {
        if (exists(entry.staged))
            continue;
        if (!entry.backup.isEmpty()) {
            if (exists(entry.backup) && !replace(entry.backup, entry.target, error))
                return false;
        } else if (exists(entry.target) && !QFile::remove(entry.target)) {
            error = QStringLiteral("%1: Cannot remove it").arg(entry.target);
            return false;
        }
    }
    return true;
}

bool CommitRecord::syncFolders(QString& error) const
{
    QSet<QString> folders;
    for (const CommitEntry& entry : entries)
        folders.insert(QFileInfo(entry.target).absolutePath());
    for (const QString& folder : folders) {
        std::string reason;
        if (!platformfile::syncDirectory(native(folder).constData(), reason)) {
            error = QStringLiteral("%1: %2").arg(folder, QString::fromStdString(reason));
            return false;
        }
    }
    return true;
}
