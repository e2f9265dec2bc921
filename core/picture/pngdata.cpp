#include "pngdata.h"

#include <QtEndian>

#include <zlib.h>

#include <algorithm>

namespace quillmark {

namespace {

enum Filter : char { Sub = 1, Up = 2 };

void appendChunk(QByteArray& png, const char type[4], const QByteArray& data)
{
    char length[4];
    qToBigEndian(quint32(data.size()), length);
    png.append(length, 4);
    const qsizetype start = png.size();
    png.append(type, 4);
    png.append(data);
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(png.constData() + start),
                            uInt(png.size() - start));
    char crcBytes[4];
    qToBigEndian(quint32(crc), crcBytes);
    png.append(crcBytes, 4);
}

// Each row's filter byte and filtered bytes.
QByteArray filteredRows(const Picture& picture)
{
    const int width = picture.width();
    const qsizetype rowBytes = qsizetype(width) * 3;
    QByteArray rows(picture.height() * (rowBytes + 1), '\0');
    uchar* out = reinterpret_cast<uchar*>(rows.data());
    const Rgb* previous = nullptr;
    for (int y = 0; y < picture.height(); ++y) {
        const Rgb* pixels = picture.row(y);
        if (previous && std::equal(pixels, pixels + width, previous)) {
            *out = Up;  // and zeros, as the rows were made
            out += rowBytes + 1;
            continue;
        }
        *out++ = Sub;
        Rgb left = 0;
        for (int x = 0; x < width; ++x) {
            const Rgb pixel = pixels[x];
            *out++ = uchar(redOf(pixel) - redOf(left));
            *out++ = uchar(greenOf(pixel) - greenOf(left));
            *out++ = uchar(blueOf(pixel) - blueOf(left));
            left = pixel;
        }
        previous = pixels;
    }
    return rows;
}

}  // namespace

QByteArray encodePng(const Picture& picture)
{
    const QByteArray rows = filteredRows(picture);
    uLongf packedSize = compressBound(uLong(rows.size()));
    QByteArray packed(qsizetype(packedSize), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(rows.constData()), uLong(rows.size()), 1)
        != Z_OK)
        return QByteArray();
    packed.truncate(qsizetype(packedSize));

    QByteArray header(13, '\0');
    qToBigEndian(quint32(picture.width()), header.data());
    qToBigEndian(quint32(picture.height()), header.data() + 4);
    header[8] = 8;  // bits per sample
    header[9] = 2;  // RGB
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", QByteArray());
    return png;
}

}  // namespace quillmark
