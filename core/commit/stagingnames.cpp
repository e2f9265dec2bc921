#include "stagingnames.h"

#include <QFileInfo>
#include <QRandomGenerator>

namespace quillmark::stagingnames {

namespace {

constexpr char PartMark[] = ".quillmark-part-";
constexpr char BackupMark[] = ".quillmark-old-";

// Hidden from plain listings; the random id keeps two jobs' names apart.
QString freeSiblingName(const QString& target, const char* mark, FileSystem& files)
{
    const QFileInfo info(target);
    for (;;) {
        const QString name = info.path() + QLatin1String("/.") + info.fileName() + QLatin1String(mark)
                             + QString::number(QRandomGenerator::global()->generate64(), 36);
        // A name that cannot even be looked at is handed on as free: making
        // a file of it then fails with the system's reason.
        EntryKind kind = EntryKind::Missing;
        if (files.entryKind(name, kind).failed() || kind == EntryKind::Missing)
            return name;
    }
}

// "." + target + mark + an id of digits and lower-case letters.
bool isSiblingName(const QString& name, const QString& target, const char* mark)
{
    const QString prefix = QLatin1Char('.') + target + QLatin1String(mark);
    if (!isBareName(target) || !name.startsWith(prefix) || name.size() == prefix.size())
        return false;
    for (qsizetype i = prefix.size(); i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            && !(c >= QLatin1Char('a') && c <= QLatin1Char('z')))
            return false;
    }
    return true;
}

}  // namespace

bool isBareName(const QString& name)
{
    constexpr qsizetype MaxNameLength = 255;
    if (name.isEmpty() || name.size() > MaxNameLength || name == QLatin1String(".")
        || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char(':') || c.unicode() == 0)
            return false;
    }
    return true;
}

bool isPartOf(const QString& name, const QString& target)
{
    return isSiblingName(name, target, PartMark);
}

bool isBackupOf(const QString& name, const QString& target)
{
    return isSiblingName(name, target, BackupMark);
}

QString partName(const QString& target, FileSystem& files)
{
    return freeSiblingName(target, PartMark, files);
}

QString backupName(const QString& target, FileSystem& files)
{
    return freeSiblingName(target, BackupMark, files);
}

bool isPart(const QString& fileName)
{
    return fileName.startsWith(QLatin1Char('.')) && fileName.contains(QLatin1String(PartMark));
}

bool isBackup(const QString& fileName)
{
    return fileName.startsWith(QLatin1Char('.')) && fileName.contains(QLatin1String(BackupMark));
}

}  // namespace quillmark::stagingnames
