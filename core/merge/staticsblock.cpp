#include "staticsblock.h"

#include "hashes.h"
#include "jobchecks.h"
#include "runs.h"

#include <cstring>

namespace quillmark {

using difformat::IndexEntrySize;

Status StaticsBlock::read(const StaticsSource& source, qint64 entry, qint64 block, StaticsBlock& read)
{
    const char* bytes = nullptr;
    if (const Status viewed = source.index.view(entry * IndexEntrySize, IndexEntrySize, bytes);
        viewed.failed())
        return viewed;
    return decode(source, bytes, block, read);
}

Status StaticsBlock::decode(const StaticsSource& source, const char* entry, qint64 block, StaticsBlock& read)
{
    read.entry = IndexEntry::decode(entry);
    read.data = &source.data;
    read.bytes = nullptr;
    if (!read.entry.fitsIn(source.data.size()))
        return damagedEntry(source.damaged(block), source.index, read.entry, source.data.size(), block);
    if (read.length() > 0 && read.length() <= Input::MaxView)
        return source.data.view(read.entry.offset, read.entry.length, read.bytes);
    return Status();
}

Status StaticsBlock::sameContent(const StaticsBlock& other, bool& same) const
{
    same = present() == other.present() && length() == other.length();
    if (!same || length() == 0)
        return Status();
    if (bytes && other.bytes) {
        same = memcmp(bytes, other.bytes, size_t(length())) == 0;
        return Status();
    }
    RunComparison comparison = RunComparison::Different;
    const Status compared =
        compareRuns(*data, entry.offset, *other.data, other.entry.offset, length(), comparison);
    same = comparison == RunComparison::Equal;
    return compared;
}

Status StaticsBlock::sameBlock(const StaticsBlock& other, bool& same) const
{
    same = entry.length == other.entry.length && entry.extra == other.entry.extra;
    return same ? sameContent(other, same) : Status();
}

Status StaticsBlock::hash(quint64& hash) const
{
    hash = 0;
    if (!present())
        return Status();
    if (bytes || length() == 0) {
        hash = blockHash(bytes, length());
        return Status();
    }
    return hashRun(*data, entry.offset, length(), hash);
}

Status StaticsBlock::copyTo(Output& to) const
{
    if (length() == 0)
        return Status();
    if (bytes)
        to.append(bytes, length());
    return bytes ? Status() : copyRun(*data, entry.offset, length(), to);
}

Status appendStatics(const StaticsBlock& block, Output& data, const char* tooLarge, IndexEntry& entry)
{
    entry = block.entry;
    if (!block.present())
        return Status();
    if (data.size() + block.length() > difformat::MaxStaticsDataSize)
        return Status::failure(Status::Kind::TooLarge, QLatin1String(tooLarge), data.target(),
                               QStringLiteral("It would grow past 2 GiB"));
    entry.offset = qint32(data.size());
    return block.copyTo(data);
}

}  // namespace quillmark
