#include "regionpicture.h"

#include "blockdiff.h"

#include "jobmessages.h"

#include <array>

namespace quillmark {

namespace {

// Scaled up, a single block with its margin is about this wide.
constexpr int SmallPictureWidth = 384;
// An item's rim: its colour with the value divided by 1.7.
constexpr int ItemRimDarkness = 170;

// The highest entry of each tile of a block (on ties the larger id, then
// hue, so that the order of the entries never changes the picture).
using TopItems = std::array<const StaticItem*, CellsPerBlock>;

void findTopItems(const std::vector<StaticItem>& items, qint64 left, qint64 top, TopItems& tops)
{
    tops.fill(nullptr);
    for (const StaticItem& item : items) {
        const qint64 x = item.x - left;
        const qint64 y = item.y - top;
        if (x < 0 || y < 0 || x >= TilesPerSide || y >= TilesPerSide)
            continue;
        const StaticItem*& shown = tops[size_t(y * TilesPerSide + x)];
        if (!shown || std::tie(item.z, item.id, item.hue) > std::tie(shown->z, shown->id, shown->hue))
            shown = &item;
    }
}

// One side of a block, decoded for drawing.
struct DrawnSide
{
    bool hasLand = false;
    BlockCells cells;
    std::vector<StaticItem> statics;
    TopItems tops;

    void decode(const char* cellBytes, const char* staticsBytes, qint64 staticsLength, qint64 left,
                qint64 top)
    {
        hasLand = cellBytes != nullptr;
        if (hasLand)
            decodeCells(cellBytes, cells);
        decodeStatics(staticsBytes, staticsLength, left, top, statics);
        findTopItems(statics, left, top, tops);
    }
};

class Painter
{
public:
    Painter(const PictureArea& area, const PictureStyle& style) : m_area(area), m_style(style) {}

    // Tile (x, y) of the world, in `image`, when the picture shows it.
    void paintTile(Picture& image, qint64 x, qint64 y, const DrawnSide& side, int cell, bool changed) const
    {
        const qint64 i = x - m_area.x;
        const qint64 j = y - m_area.y;
        const int k = m_area.tilesPerPixel;
        if (i % k != 0 || j % k != 0)
            return;
        const int n = m_area.pixelsPerTile;
        const int left = int(i / k) * n;
        const int top = int(j / k) * n;
        const StaticItem* item = side.tops[size_t(cell)];
        const Rgb ground = side.hasLand ? m_style.palette.land(side.cells[size_t(cell)]) : Palette::NoLand;
        const Rgb fill = item ? m_style.palette.item(item->id) : ground;
        fillSquare(image, left, top, n, fill);
        // An item shows as an object on the ground: a darker rim when there is room for one.
        if (item && n >= 4)
            frame(image, left, top, n, darker(fill, ItemRimDarkness));
        if (changed && m_style.outline) {
            if (n >= 3)
                frame(image, left, top, n, Palette::Outline);
            else
                fillSquare(image, left, top, n, Palette::Outline);
        }
    }

    // Whether any tile of the block at tile (left, top) is one the picture shows.
    bool shows(qint64 left, qint64 top) const
    {
        const auto sampled = [this](qint64 from, qint64 origin) {
            const int k = m_area.tilesPerPixel;
            const qint64 offset = ((from - origin) % k + k) % k;
            return offset == 0 || TilesPerSide > k - offset;
        };
        return sampled(left, m_area.x) && sampled(top, m_area.y);
    }

private:
    // Every tile lies inside the picture, so its pixels are drawn without the clipping of fillRect().
    static Rgb* pixel(Picture& image, int x, int y) { return image.row(y) + x; }
    static void fillSquare(Picture& image, int left, int top, int size, Rgb colour)
    {
        for (int y = top; y < top + size; ++y) {
            Rgb* line = pixel(image, left, y);
            std::fill(line, line + size, colour);
        }
    }
    static void frame(Picture& image, int left, int top, int size, Rgb colour)
    {
        const int last = size - 1;
        std::fill(pixel(image, left, top), pixel(image, left, top) + size, colour);
        std::fill(pixel(image, left, top + last), pixel(image, left, top + last) + size, colour);
        for (int d = 1; d < last; ++d) {
            *pixel(image, left, top + d) = colour;
            *pixel(image, left + last, top + d) = colour;
        }
    }

    const PictureArea& m_area;
    const PictureStyle& m_style;
};

}  // namespace

Status pictureOutOfMemory()
{
    return Status::failure(jobmessage::UnableToWriteReport, QString(), QStringLiteral("out of memory"));
}

PictureArea pictureArea(const Region& region, qint64 widthTiles, qint64 heightTiles)
{
    PictureArea area;
    area.x = qMax<qint64>(0, region.x - PictureMargin);
    area.y = qMax<qint64>(0, region.y - PictureMargin);
    area.width = qMin(widthTiles, region.x + region.width + PictureMargin) - area.x;
    area.height = qMin(heightTiles, region.y + region.height + PictureMargin) - area.y;
    const qint64 longer = qMax(area.width, area.height);
    if (longer <= MaxRegionPictureSide) {
        const qint64 wanted = (SmallPictureWidth + area.width - 1) / area.width;
        area.pixelsPerTile = int(qMax<qint64>(1, qMin(wanted, MaxRegionPictureSide / longer)));
    } else {
        area.tilesPerPixel = int((longer + MaxRegionPictureSide - 1) / MaxRegionPictureSide);
    }
    return area;
}

Status drawRegion(const PictureArea& area, qint64 heightBlocks, const PictureStyle& style,
                  ReportInputs& inputs, RegionPictures& pictures)
{
    pictures.before = Picture(area.pixelWidth(), area.pixelHeight());
    pictures.after = Picture(area.pixelWidth(), area.pixelHeight());
    if (pictures.before.isNull() || pictures.after.isNull())
        return pictureOutOfMemory();
    const Painter painter(area, style);
    DrawnSide before, after;
    BlockComparer comparer;
    BlockBytes bytes;
    for (qint64 bx = area.x / TilesPerSide; bx * TilesPerSide < area.x + area.width; ++bx) {
        for (qint64 by = area.y / TilesPerSide; by * TilesPerSide < area.y + area.height; ++by) {
            const qint64 left = bx * TilesPerSide;
            const qint64 top = by * TilesPerSide;
            if (!painter.shows(left, top))
                continue;
            if (const Status read = inputs.read(bx * heightBlocks + by, Access::Anywhere, true, bytes);
                read.failed())
                return read;
            before.decode(bytes.cellsBefore, bytes.staticsBefore, bytes.staticsBeforeLength, left, top);
            after.decode(bytes.cellsAfter, bytes.staticsAfter, bytes.staticsAfterLength, left, top);
            const quint64 changed = comparer.compare(bytes, left, top).changedTiles;
            for (int cell = 0; cell < CellsPerBlock; ++cell) {
                const qint64 x = left + cell % TilesPerSide;
                const qint64 y = top + cell / TilesPerSide;
                if (x < area.x || y < area.y || x >= area.x + area.width || y >= area.y + area.height)
                    continue;
                const bool isChanged = (changed >> cell) & 1;
                painter.paintTile(pictures.before, x, y, before, cell, isChanged);
                painter.paintTile(pictures.after, x, y, after, cell, isChanged);
            }
        }
    }
    return Status();
}

}  // namespace quillmark
