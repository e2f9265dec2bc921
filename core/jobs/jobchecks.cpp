#include "jobchecks.h"

#include "indexentry.h"
#include "inputfile.h"
#include "jobmessages.h"
#include "mapinput.h"

#include <QDir>
#include <QFileInfo>

JobFailure inputFailure(const QString& message, const InputFile& input)
{
    return {message, input.path(), input.errorString()};
}

JobFailure inputFailure(const QString& message, const MapInput& map)
{
    return {message, map.path(), map.errorString()};
}

std::optional<JobFailure> openMap(MapInput& map, const QString& message)
{
    if (!map.open())
        return inputFailure(message, map);
    return std::nullopt;
}

std::optional<JobFailure> openInputs(std::initializer_list<InputFile*> inputs, const QString& message)
{
    for (InputFile* input : inputs) {
        if (!input->open())
            return inputFailure(message, *input);
    }
    return std::nullopt;
}

JobFailure sizesDiffer(const QString& message, const InputFile& reference, const InputFile& current)
{
    return {message,
            {},
            QStringLiteral("%1 has %2 bytes, %3 has %4")
                .arg(reference.path())
                .arg(reference.size())
                .arg(current.path())
                .arg(current.size())};
}

namespace {

QString mapSize(const MapInput& map)
{
    return map.isContainer() ? QStringLiteral("%1 holds a map of %2 bytes").arg(map.path()).arg(map.size())
                             : QStringLiteral("%1 has %2 bytes").arg(map.path()).arg(map.size());
}

}  // namespace

JobFailure sizesDiffer(const QString& message, const MapInput& reference, const MapInput& current)
{
    return {message, {}, mapSize(reference) + QLatin1String(", ") + mapSize(current)};
}

bool outputDirectoryExists(const QString& text)
{
    return !text.isEmpty() && QDir(text).exists();
}

JobFailure outputDirectoryFailure(const QString& text)
{
    QString reason = QStringLiteral("No such directory");
    if (text.isEmpty())
        reason = QStringLiteral("No directory named");
    else if (QFileInfo::exists(text))
        reason = QStringLiteral("Not a directory");
    return {QLatin1String(jobmessage::OutputDirMissing), text, reason};
}

JobFailure damagedEntry(const QString& message, const InputFile& index, const IndexEntry& entry,
                        qint64 dataSize)
{
    QString reason;
    if (entry.offset < 0)
        reason = QStringLiteral("An entry has the offset %1").arg(entry.offset);
    else if (entry.length < 0)
        reason = QStringLiteral("An entry has the length %1").arg(entry.length);
    else
        reason = QStringLiteral("An entry names %1 bytes at %2, its data file has %3")
                     .arg(entry.length)
                     .arg(entry.offset)
                     .arg(dataSize);
    return {message, index.path(), reason};
}
