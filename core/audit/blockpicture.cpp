#include "blockpicture.h"

#include "outputcreation.h"
#include "picture.h"
#include "pngdata.h"
#include "stagedcommit.h"
#include "stagedfile.h"

namespace quillmark {

namespace {

static_assert(MaxPictureSide <= Picture::MaxSide, "every grid the tools accept can be drawn");

constexpr Rgb Unchanged = rgb(0x1c, 0x24, 0x30);
constexpr Rgb Changed = rgb(0xff, 0xd0, 0x20);

// Empty when there is no memory for the picture or its compression.
QByteArray pngOf(const BlockMarks& marks)
{
    Picture picture(int(marks.width()), int(marks.height()), Unchanged);
    if (picture.isNull())
        return QByteArray();
    for (qint64 block = 0; block < marks.width() * marks.height(); ++block) {
        if (marks.isMarked(block))
            picture.row(int(block % marks.height()))[block / marks.height()] = Changed;
    }
    return encodePng(picture);
}

}  // namespace

Status writeBlockPicture(const QString& path, const BlockMarks& marks, const QStringList& inputs,
                         const CommitOptions& options)
{
    if (marks.width() < 1 || marks.height() < 1 || marks.width() > MaxPictureSide
        || marks.height() > MaxPictureSide)
        return Status::failure(Status::Kind::TooLarge,
                               QStringLiteral("Unable to draw a picture of %1 x %2 blocks")
                                   .arg(marks.width())
                                   .arg(marks.height()));
    const QByteArray png = pngOf(marks);
    if (png.isEmpty())
        return Status::failure(Status::Kind::OutOfMemory,
                               QStringLiteral("Unable to write %1: out of memory").arg(path));
    StagedFile picture(path, *options.files);
    FileRoles roles;
    for (const QString& input : inputs)
        roles.reads(input);
    Status written = createOutputs({&picture}, roles, options);
    if (written.ok()) {
        picture.append(png.constData(), png.size());
        written = commitStaged({&picture}, options);
    }
    return written.failed() ? Status::failure(
               written.kind(), QStringLiteral("Unable to write %1: %2").arg(path, written.reason()))
                            : Status();
}

}  // namespace quillmark
