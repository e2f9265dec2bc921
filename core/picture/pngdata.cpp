#include "pngdata.h"

#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace quillmark {

namespace {

enum Filter : char { None = 0, Sub = 1, Up = 2 };
enum ColourType : char { Truecolour = 2, Indexed = 3, TruecolourAlpha = 6 };

constexpr int MaxPaletteColours = 256;
constexpr int PaletteSlots = 1024;  // four times the colours, so that probes stay short

void appendChunk(QByteArray& png, const char type[4], const char* data, qsizetype size)
{
    char length[4];
    qToBigEndian(quint32(size), length);
    png.append(length, 4);
    const qsizetype start = png.size();
    png.append(type, 4);
    png.append(data, size);
    const uLong crc = crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(png.constData() + start),
                            uInt(png.size() - start));
    char crcBytes[4];
    qToBigEndian(quint32(crc), crcBytes);
    png.append(crcBytes, 4);
}

int alphaOf(Rgb colour)
{
    return int(colour >> 24);
}

bool hasTransparency(const Picture& picture)
{
    for (int y = 0; y < picture.height(); ++y) {
        const Rgb* row = picture.row(y);
        if (std::any_of(row, row + picture.width(), [](Rgb pixel) { return alphaOf(pixel) != 0xff; }))
            return true;
    }
    return false;
}

// A row that repeats the one above it: filtered Up, it is all zeros.
bool repeats(const Rgb* row, const Rgb* previous, int width)
{
    return previous && std::equal(row, row + width, previous);
}

}  // namespace

struct PngEncoder::State
{
    z_stream stream{};
    bool streamReady = false;
    QByteArray rows;
    QByteArray packed;
    std::array<Rgb, PaletteSlots> keys{};
    std::array<qint16, PaletteSlots> indexAt{};
    std::vector<Rgb> palette;

    // The palette index of `colour`, added when new; -1 when the palette is full.
    int indexOf(Rgb colour)
    {
        quint32 slot = (colour * 0x9e3779b1u) >> 22;
        while (indexAt[slot] >= 0 && keys[slot] != colour)
            slot = (slot + 1) % PaletteSlots;
        if (indexAt[slot] >= 0)
            return indexAt[slot];
        if (palette.size() == MaxPaletteColours)
            return -1;
        keys[slot] = colour;
        indexAt[slot] = qint16(palette.size());
        palette.push_back(colour);
        return indexAt[slot];
    }

    bool indexedRows(const Picture& picture);
    void truecolourRows(const Picture& picture, int channels);
    bool compress();
    QByteArray assemble(const Picture& picture, ColourType type);
};

// Each row's filter byte and palette indexes; false when the picture has more colours than a palette holds.
bool PngEncoder::State::indexedRows(const Picture& picture)
{
    const int width = picture.width();
    palette.clear();
    indexAt.fill(-1);
    rows.resize(qsizetype(picture.height()) * (width + 1));
    uchar* out = reinterpret_cast<uchar*>(rows.data());
    const Rgb* previous = nullptr;
    Rgb last = 0;
    int lastIndex = -1;
    for (int y = 0; y < picture.height(); ++y, out += width + 1) {
        const Rgb* pixels = picture.row(y);
        if (repeats(pixels, previous, width)) {
            *out = Up;
            std::memset(out + 1, 0, size_t(width));
            continue;
        }
        *out = None;
        for (int x = 0; x < width; ++x) {
            if (lastIndex < 0 || pixels[x] != last) {
                last = pixels[x];
                lastIndex = indexOf(last);
                if (lastIndex < 0)
                    return false;
            }
            out[x + 1] = uchar(lastIndex);
        }
        previous = pixels;
    }
    return true;
}

// Each row's filter byte and its channels, each less its left neighbour's.
void PngEncoder::State::truecolourRows(const Picture& picture, int channels)
{
    const int width = picture.width();
    const qsizetype rowBytes = qsizetype(width) * channels;
    rows.resize(qsizetype(picture.height()) * (rowBytes + 1));
    uchar* out = reinterpret_cast<uchar*>(rows.data());
    const Rgb* previous = nullptr;
    for (int y = 0; y < picture.height(); ++y) {
        const Rgb* pixels = picture.row(y);
        if (repeats(pixels, previous, width)) {
            *out = Up;
            std::memset(out + 1, 0, size_t(rowBytes));
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
            if (channels == 4)
                *out++ = uchar(alphaOf(pixel) - alphaOf(left));
            left = pixel;
        }
        previous = pixels;
    }
}

bool PngEncoder::State::compress()
{
    if (!streamReady) {
        if (deflateInit2(&stream, 1, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK)
            return false;
        streamReady = true;
    } else if (deflateReset(&stream) != Z_OK) {
        return false;
    }
    packed.resize(qsizetype(deflateBound(&stream, uLong(rows.size()))));
    stream.next_in = reinterpret_cast<Bytef*>(rows.data());
    stream.avail_in = uInt(rows.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = uInt(packed.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        return false;
    packed.truncate(qsizetype(stream.total_out));
    return true;
}

QByteArray PngEncoder::State::assemble(const Picture& picture, ColourType type)
{
    char header[13] = {};
    qToBigEndian(quint32(picture.width()), header);
    qToBigEndian(quint32(picture.height()), header + 4);
    header[8] = 8;  // bits per sample, or per index
    header[9] = type;
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png.reserve(packed.size() + qsizetype(palette.size()) * 4 + 80);
    appendChunk(png, "IHDR", header, sizeof header);
    if (type == Indexed) {
        QByteArray colours, alphas;
        for (const Rgb colour : palette) {
            colours.append(char(redOf(colour))).append(char(greenOf(colour))).append(char(blueOf(colour)));
            alphas.append(char(alphaOf(colour)));
        }
        appendChunk(png, "PLTE", colours.constData(), colours.size());
        // Entries past the last that is not opaque are opaque.
        while (!alphas.isEmpty() && uchar(alphas.back()) == 0xff)
            alphas.chop(1);
        if (!alphas.isEmpty())
            appendChunk(png, "tRNS", alphas.constData(), alphas.size());
    }
    appendChunk(png, "IDAT", packed.constData(), packed.size());
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

PngEncoder::PngEncoder() : m(std::make_unique<State>()) {}

PngEncoder::~PngEncoder()
{
    if (m->streamReady)
        deflateEnd(&m->stream);
}

QByteArray PngEncoder::encode(const Picture& picture)
{
    if (picture.isNull())
        return QByteArray();
    ColourType type = Indexed;
    if (!m->indexedRows(picture)) {
        type = hasTransparency(picture) ? TruecolourAlpha : Truecolour;
        m->truecolourRows(picture, type == TruecolourAlpha ? 4 : 3);
    }
    if (!m->compress())
        return QByteArray();
    return m->assemble(picture, type);
}

QByteArray encodePng(const Picture& picture)
{
    return PngEncoder().encode(picture);
}

}  // namespace quillmark
