#pragma once

#include <QImage>
#include <QString>

// One image of the embedded table. The pixel data is compressed in the layout
// that qUncompress reads (a 4-byte big-endian length, then a zlib stream);
// uncompressed, a 32-bit image is `height` rows from the top of `width`
// 0xAARRGGBB pixels, each stored least significant byte first.
struct EmbeddedImage
{
    int width;
    int height;
    int depth;
    const unsigned char* imageData;
    quint32 compressed;  // bytes of imageData, the length prefix included
    int numColors;
    const quint32* colorTable;
    bool alpha;
    const char* name;  // UTF-8
};

// The table, closed by an entry whose fields are all zero. Generated at build
// time from the artwork in icons/art.
extern const EmbeddedImage embeddedImages[];

// The image of that exact name, decoded; a null image when the table has none.
QImage findEmbeddedImage(const QString& name);
