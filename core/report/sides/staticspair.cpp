#include "staticspair.h"

#include "fileformat.h"
#include "jobchecks.h"
#include "jobmessages.h"

namespace quillmark {

namespace {

// Entries are read within one view of the data.
QString unreadableLength(const IndexEntry& entry)
{
    if (!entry.isEmpty() && entry.length > Input::MaxView)
        return QStringLiteral("An entry names %1 bytes, more than a block's statics may hold (%2)")
            .arg(entry.length)
            .arg(Input::MaxView);
    return QString();
}

}  // namespace

Status StaticsPair::readEntry(qint64 number, qint64 block, IndexEntry& entry) const
{
    const char* bytes = nullptr;
    if (const Status viewed =
            index.view(number * difformat::IndexEntrySize, difformat::IndexEntrySize, bytes);
        viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    entry = IndexEntry::decode(bytes);
    if (!entry.fitsIn(data.size()))
        return damagedEntry(damaged(block), index, entry, data.size(), block);
    if (const QString reason = unreadableLength(entry); !reason.isEmpty())
        return Status::failure(Status::Kind::Damaged, damaged(block), index.path(), reason, block);
    return Status();
}

Status StaticsPair::readData(const IndexEntry& entry, const char*& bytes, qint64& length) const
{
    if (entry.isEmpty() || entry.length == 0)
        return Status();
    if (const Status viewed = data.view(entry.offset, entry.length, bytes); viewed.failed())
        return viewed.withMessage(jobmessage::UnableToReadStaticsOrDif);
    length = entry.length;
    return Status();
}

}  // namespace quillmark
