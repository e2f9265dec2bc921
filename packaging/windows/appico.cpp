// Writes the program's icon as a Windows icon file, for the resources of the
// three programs and for the installer: the window's own drawing at the
// sizes Windows shows (16 to 48 in lists and title bars, up to 256 in
// Explorer), each entry a PNG image, which icon files hold since Vista.
//
//   appico OUTPUT.ico

#include "applicationicon.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QtEndian>

#include <cstdio>

namespace {

constexpr int HeaderSize = 6;
constexpr int EntrySize = 16;
constexpr int Sizes[] = {16, 20, 24, 32, 40, 48, 64, 128, 256};

QByteArray png(int size)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    paintApplicationIcon(size).save(&buffer, "PNG");
    return bytes;
}

void append16(QByteArray& out, int value)
{
    const quint16 little = qToLittleEndian(static_cast<quint16>(value));
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

void append32(QByteArray& out, qsizetype value)
{
    const quint32 little = qToLittleEndian(static_cast<quint32>(value));
    out.append(reinterpret_cast<const char*>(&little), sizeof little);
}

// The directory of entries, then their images in the same order. A width or
// height of 256 is written as 0, as the format has one byte for it.
QByteArray iconFile()
{
    QList<QByteArray> images;
    for (const int size : Sizes)
        images << png(size);
    QByteArray out;
    append16(out, 0);  // reserved
    append16(out, 1);  // an icon, not a cursor
    append16(out, static_cast<int>(images.size()));
    qsizetype offset = HeaderSize + EntrySize * images.size();
    for (qsizetype i = 0; i < images.size(); ++i) {
        const char side = static_cast<char>(Sizes[i] % 256);
        out.append(side).append(side).append('\0').append('\0');  // no palette
        append16(out, 1);                                         // planes
        append16(out, 32);                                        // bits per pixel
        append32(out, images[i].size());
        append32(out, offset);
        offset += images[i].size();
    }
    for (const QByteArray& image : images)
        out.append(image);
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: appico OUTPUT.ico\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    const QByteArray icon = iconFile();
    if (!file.open(QIODevice::WriteOnly) || file.write(icon) != icon.size() || !file.flush()) {
        std::fprintf(stderr, "appico: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
