#include "jobchecks.h"

#include "counted.h"
#include "fileformat.h"
#include "indexentry.h"
#include "interruptedcommit.h"
#include "jobmessages.h"

namespace quillmark {

Status openInputs(std::initializer_list<Input*> inputs, const QString& message, const CommitOptions& options)
{
    for (Input* input : inputs) {
        Status opened = settleFoldersOf(input->path(), options);
        if (opened.ok())
            opened = input->open();
        if (opened.failed())
            return opened.withMessage(message);
    }
    return Status();
}

Status checkRecordCount(const Input& input, qint64 recordSize, const QString& message)
{
    constexpr qint64 Nameable = qint64(1) << 31;
    const qint64 records = input.size() / recordSize;
    if (records <= Nameable)
        return Status();
    return Status::failure(Status::Kind::TooLarge, message, input.path(),
                           QStringLiteral("It holds %1 blocks, more than the %2 that block numbers can name")
                               .arg(records)
                               .arg(Nameable));
}

Status sizesDiffer(const QString& message, const Input& reference, const Input& current)
{
    return Status::failure(Status::Kind::Damaged, message, QString(),
                           reference.sizeText() + QLatin1String(", ") + current.sizeText());
}

Status checkOutputDirectory(const QString& text, FileSystem& files)
{
    QString canonical;
    EntryKind kind = EntryKind::Missing;
    Status looked = text.isEmpty() ? Status() : files.canonicalPath(text, canonical);
    if (looked.ok() && !canonical.isEmpty())
        looked = files.entryKind(canonical, kind);
    if (looked.failed())
        return looked.withMessage(QLatin1String(jobmessage::OutputDirMissing));
    if (kind == EntryKind::Directory)
        return Status();
    QString reason = QStringLiteral("No such directory");
    if (text.isEmpty())
        reason = QStringLiteral("No directory named");
    else if (kind != EntryKind::Missing)
        reason = QStringLiteral("Not a directory");
    return Status::failure(kind == EntryKind::Missing ? Status::Kind::NotFound : Status::Kind::NotRegularFile,
                           QLatin1String(jobmessage::OutputDirMissing), text, reason);
}

Status checkOutputDirectoryNamed(const QString& text, FileSystem& files)
{
    return text.isEmpty() ? checkOutputDirectory(text, files) : Status();
}

QString missingRecord(qint64 held, qint64 named)
{
    return QStringLiteral("It holds %1, the locator names record %2").arg(counted(held, "record")).arg(named);
}

Status checkStaticsDataIsNoMap(const Input& index, const Input& data, const QString& message)
{
    const qint64 blocks = index.size() / difformat::IndexEntrySize;
    if (blocks == 0 || data.size() != blocks * difformat::MapBlockSize)
        return Status();
    return Status::failure(Status::Kind::Usage, message, data.path(),
                           QStringLiteral("It is as large as a map file of the %1 its index has: a map file "
                                          "given as statics data?")
                               .arg(counted(blocks, "block")));
}

Status damagedEntry(const QString& message, const Input& index, const IndexEntry& entry, qint64 dataSize,
                    qint64 block)
{
    QString reason;
    if (entry.offset < 0)
        reason = QStringLiteral("An entry has the offset %1").arg(entry.offset);
    else if (entry.length < 0)
        reason = QStringLiteral("An entry has the length %1").arg(entry.length);
    else
        reason = QStringLiteral("An entry names %1 at %2, its data file has %3")
                     .arg(counted(entry.length, "byte"))
                     .arg(entry.offset)
                     .arg(dataSize);
    return Status::failure(Status::Kind::Damaged, message, index.path(), reason, block);
}

}  // namespace quillmark
