#include "blockpicture.h"

#include "outputfolder.h"
#include "stagedcommit.h"
#include "stagedfile.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>

namespace quillmark {

namespace {

const QRgb Unchanged = qRgb(0x1c, 0x24, 0x30);
const QRgb Changed = qRgb(0xff, 0xd0, 0x20);

QByteArray pngOf(const BlockMarks& marks)
{
    QImage image(int(marks.width()), int(marks.height()), QImage::Format_RGB32);
    image.fill(Unchanged);
    for (qint64 block = 0; block < marks.width() * marks.height(); ++block) {
        if (marks.isMarked(block))
            image.setPixel(int(block / marks.height()), int(block % marks.height()), Changed);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

}  // namespace

Status writeBlockPicture(const QString& path, const BlockMarks& marks, const CommitOptions& options)
{
    if (marks.width() < 1 || marks.height() < 1 || marks.width() > MaxPictureSide
        || marks.height() > MaxPictureSide)
        return Status::failure(QStringLiteral("Unable to draw a picture of %1 x %2 blocks")
                                   .arg(marks.width())
                                   .arg(marks.height()));
    const QByteArray png = pngOf(marks);
    StagedFile picture(path);
    Status written;
    {
        // What killed jobs left in the folder is settled before anything is made there.
        FolderSet folder(options);
        written = folder.open({QFileInfo(path).absolutePath()});
        if (written.ok())
            folder.folders().front()->removeDebris();
    }
    if (written.ok())
        written = picture.create();
    if (written.ok()) {
        picture.append(png.constData(), png.size());
        written = commitStaged({&picture}, options);
    }
    return written.failed()
               ? Status::failure(QStringLiteral("Unable to write %1: %2").arg(path, written.reason()))
               : Status();
}

}  // namespace quillmark
