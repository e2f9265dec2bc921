#include "blockpicture.h"

#include <QImage>

namespace {

const QRgb Unchanged = qRgb(0x1c, 0x24, 0x30);
const QRgb Changed = qRgb(0xff, 0xd0, 0x20);

}  // namespace

BlockPicture drawBlockPicture(const QString& path, const BlockGrid& grid, const std::vector<qint32>& blocks)
{
    BlockPicture picture;
    if (grid.width < 1 || grid.height < 1 || grid.width > MaxPictureSide || grid.height > MaxPictureSide) {
        picture.status = Status::failure(
            QStringLiteral("Unable to draw a picture of %1 x %2 blocks").arg(grid.width).arg(grid.height));
        return picture;
    }
    QImage image(int(grid.width), int(grid.height), QImage::Format_RGB32);
    image.fill(Unchanged);
    for (const qint32 block : blocks) {
        const qint64 column = block / grid.height;
        if (block < 0 || column >= grid.width) {
            ++picture.outside;
            continue;
        }
        const int x = int(column);
        const int y = int(block % grid.height);
        if (image.pixel(x, y) != Changed) {
            image.setPixel(x, y, Changed);
            ++picture.marked;
        }
    }
    if (!image.save(path, "PNG"))
        picture.status = Status::failure(QStringLiteral("Unable to write %1").arg(path));
    return picture;
}
