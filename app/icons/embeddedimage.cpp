#include "embeddedimage.h"

#include <QByteArray>
#include <QtEndian>

namespace {

const EmbeddedImage* lookUp(const QString& name)
{
    for (const EmbeddedImage* entry = embeddedImages; entry->imageData; ++entry) {
        if (QString::fromUtf8(entry->name) == name)
            return entry;
    }
    return nullptr;
}

// The table holds 32-bit images without colour table only.
QImage decode(const EmbeddedImage& entry)
{
    const QByteArray pixels = qUncompress(entry.imageData, int(entry.compressed));
    if (entry.depth != 32 || entry.numColors != 0
        || pixels.size() != qsizetype(entry.width) * entry.height * 4)
        return QImage();
    QImage image(entry.width, entry.height, entry.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const uchar* source = reinterpret_cast<const uchar*>(pixels.constData());
    for (int y = 0; y < entry.height; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < entry.width; ++x, source += 4)
            row[x] = qFromLittleEndian<quint32>(source);
    }
    return image;
}

}  // namespace

QImage findEmbeddedImage(const QString& name)
{
    const EmbeddedImage* entry = lookUp(name);
    return entry ? decode(*entry) : QImage();
}
