#include "regionpicture.h"

#include "blockdiff.h"
#include "changemarks.h"
#include "rulers.h"

#include "jobmessages.h"

#include <array>

namespace quillmark {

namespace {

// An item's rim: its colour with the value divided by 1.7.
constexpr int ItemRimDarkness = 170;
// Tiles of at least this many pixels show an item's rim.
constexpr int RimFrom = 4;

// The highest entry of each tile of a block (on ties the larger id, then
// hue, so that the order of the entries never changes the picture).
using TopItems = std::array<const StaticItem*, CellsPerBlock>;

void findTopItems(const std::vector<StaticItem>& items, qint64 left, qint64 top, TopItems& tops)
{
    tops.fill(nullptr);
    for (const StaticItem& item : items) {
        const StaticItem*& shown = tops[size_t((item.y - top) * TilesPerSide + (item.x - left))];
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

// Every tile lies inside its picture, so its pixels are drawn without the clipping of fillRect().
void fillSquare(Picture& image, int left, int top, int size, Rgb colour)
{
    for (int y = top; y < top + size; ++y)
        std::fill(image.row(y) + left, image.row(y) + left + size, colour);
}

class Painter
{
public:
    Painter(const PictureArea& area, const PictureStyle& style) : m_area(area), m_style(style) {}

    // The tile at (x, y) of the world in all three pictures.
    void paint(RegionPictures& pictures, qint64 x, qint64 y, const DrawnSide& before, const DrawnSide& after,
               const BlockChanges& changes, int cell) const
    {
        const int n = m_area.pixelsPerTile;
        const int left = m_area.left + int(x - m_area.x) * n;
        const int top = m_area.top + int(y - m_area.y) * n;
        paintSide(pictures.before, left, top, before, cell);
        const Rgb shown = paintSide(pictures.after, left, top, after, cell);
        changemarks::paintTile(pictures.changes, left, top, n, shown, changes, cell, m_style.outline);
    }

private:
    // Returns the tile's main colour: its top item's, or its land's.
    Rgb paintSide(Picture& image, int left, int top, const DrawnSide& side, int cell) const
    {
        const int n = m_area.pixelsPerTile;
        const StaticItem* item = side.tops[size_t(cell)];
        const Rgb ground = side.hasLand ? m_style.palette.land(side.cells[size_t(cell)]) : Palette::NoLand;
        const Rgb fill = item ? m_style.palette.item(item->id) : ground;
        fillSquare(image, left, top, n, fill);
        // An item shows as an object on the ground: a darker rim when there is room for one.
        if (item && n >= RimFrom)
            image.outlineRect(left, top, n, n, darker(fill, ItemRimDarkness));
        return fill;
    }

    const PictureArea& m_area;
    const PictureStyle& m_style;
};

int scaleFor(qint64 widthTiles, qint64 heightTiles)
{
    for (const int scale : PictureScales) {
        if (qMax(widthTiles, heightTiles) * scale <= InlineTilePixels)
            return scale;
    }
    return 1;
}

}  // namespace

Status pictureOutOfMemory()
{
    return Status::failure(Status::Kind::OutOfMemory, jobmessage::UnableToWriteReport, QString(),
                           QStringLiteral("out of memory"));
}

PictureArea pictureArea(const Region& region, qint64 widthTiles, qint64 heightTiles)
{
    PictureArea area;
    area.x = qMax<qint64>(0, region.x - PictureMargin);
    area.y = qMax<qint64>(0, region.y - PictureMargin);
    area.width = qMin(widthTiles, region.x + region.width + PictureMargin) - area.x;
    area.height = qMin(heightTiles, region.y + region.height + PictureMargin) - area.y;
    area.pixelsPerTile = scaleFor(area.width, area.height);
    area.left = rulers::leftWidth(area.y + area.height - 1);
    area.top = rulers::TopHeight;
    return area;
}

Status drawRegion(const PictureArea& area, qint64 heightBlocks, const PictureStyle& style,
                  ReportInputs& inputs, RegionPictures& pictures)
{
    const int width = int(area.pixelWidth());
    const int height = int(area.pixelHeight());
    if (!pictures.before.reshape(width, height) || !pictures.after.reshape(width, height)
        || !pictures.changes.reshape(width, height))
        return pictureOutOfMemory();
    for (Picture* picture : {&pictures.before, &pictures.after, &pictures.changes})
        rulers::draw(*picture, area);
    const Painter painter(area, style);
    DrawnSide before, after;
    BlockComparer comparer;
    BlockBytes bytes;
    for (qint64 bx = area.x / TilesPerSide; bx * TilesPerSide < area.x + area.width; ++bx) {
        for (qint64 by = area.y / TilesPerSide; by * TilesPerSide < area.y + area.height; ++by) {
            const qint64 left = bx * TilesPerSide;
            const qint64 top = by * TilesPerSide;
            if (const Status read = inputs.read(bx * heightBlocks + by, Access::Anywhere, true, bytes);
                read.failed())
                return read;
            before.decode(bytes.cellsBefore, bytes.staticsBefore, bytes.staticsBeforeLength, left, top);
            after.decode(bytes.cellsAfter, bytes.staticsAfter, bytes.staticsAfterLength, left, top);
            const BlockChanges& changes = comparer.compare(bytes, left, top);
            for (int cell = 0; cell < CellsPerBlock; ++cell) {
                const qint64 x = left + cell % TilesPerSide;
                const qint64 y = top + cell / TilesPerSide;
                if (x >= area.x && y >= area.y && x < area.x + area.width && y < area.y + area.height)
                    painter.paint(pictures, x, y, before, after, changes, cell);
            }
        }
    }
    return Status();
}

}  // namespace quillmark
