#include "partviews.h"

namespace quillmark {

namespace {

// The rulers' bands and labels, in the view's pixels at its normal size.
constexpr int TopBand = 16;
constexpr int DigitWidth = 6;  // a digit of the labels' 10-pixel font, at most
constexpr int LabelGap = 8;
constexpr int MinorTick = 3;
constexpr int MajorTick = 6;
constexpr int LeastTickSpacing = 6;

int digitsOf(qint64 number)
{
    int digits = 1;
    for (; number >= 10; number /= 10)
        ++digits;
    return digits;
}

// Where the tiles of a part lie in its views.
struct Geometry
{
    explicit Geometry(const PicturePart& shown)
        : part(shown),
          left(LabelGap + DigitWidth * digitsOf(shown.area.bottom() - 1) + MajorTick),
          width(shown.cellsWide() * shown.shownPixels),
          height(shown.cellsHigh() * shown.shownPixels)
    {}

    qint64 xOf(qint64 tileX) const
    {
        return left + (tileX - part.area.x) * part.shownPixels / part.cellTiles;
    }
    qint64 yOf(qint64 tileY) const { return top + (tileY - part.area.y) * part.shownPixels / part.cellTiles; }
    qint64 viewWidth() const { return left + width; }
    qint64 viewHeight() const { return top + height; }
    // The tiles from one tick, or one label `size` pixels long, to the next: 8, or 8 doubled until there is
    // room.
    qint64 stepFor(int size) const
    {
        qint64 step = 8;
        while (step * part.shownPixels / part.cellTiles < size)
            step *= 2;
        return step;
    }

    const PicturePart& part;
    int left;
    int top = TopBand;
    qint64 width;
    qint64 height;
};

qint64 firstMultiple(qint64 from, qint64 step)
{
    return (from + step - 1) / step * step;
}

// The labels of a ruler as one text, each digit placed on its own, so that
// a ruler is a few elements however many labels it has: a page holds
// thousands of them.
struct RulerLabels
{
    Html xs, ys, digits;

    // `number`'s digits from (x, y) on.
    void add(qint64 number, qint64 x, qint64 y)
    {
        const int digitCount = digitsOf(number);
        for (int i = 0; i < digitCount; ++i) {
            if (digits.size() > 0 || i > 0) {
                xs.put(" ");
                ys.put(" ");
            }
            xs.put("%", x + qint64(i) * DigitWidth);
            ys.put("%", y);
        }
        digits.put("%", number);
    }
    Markup take()
    {
        Html html;
        if (digits.size() > 0)
            html.put("<text class=\"ruler-label\" x=\"%\" y=\"%\">%</text>", xs.take(), ys.take(),
                     digits.take());
        return html.take();
    }
};

Markup rulers(const Geometry& g)
{
    const TileRect& area = g.part.area;
    Html html, ticks;
    html.put("<path class=\"ruler-band\" d=\"M0,0H%V%H%V%H0Z\"/>", g.viewWidth(), g.top, g.left,
             g.viewHeight());
    RulerLabels across, down;
    const qint64 tickStep = g.stepFor(LeastTickSpacing);
    const qint64 xLabels = g.stepFor(DigitWidth * digitsOf(area.right() - 1) + LabelGap);
    for (qint64 tile = firstMultiple(area.x, tickStep); tile < area.right(); tile += tickStep) {
        const qint64 x = g.xOf(tile);
        const bool labelled = tile % xLabels == 0;
        ticks.put("M%,%v%", x, g.top - (labelled ? MajorTick : MinorTick), labelled ? MajorTick : MinorTick);
        if (labelled && x + 2 + qint64(DigitWidth) * digitsOf(tile) <= g.viewWidth())
            across.add(tile, x + 2, 10);
    }
    const qint64 yLabels = g.stepFor(2 * LabelGap);
    for (qint64 tile = firstMultiple(area.y, tickStep); tile < area.bottom(); tile += tickStep) {
        const qint64 y = g.yOf(tile);
        const bool labelled = tile % yLabels == 0;
        ticks.put("M%,%h%", g.left - (labelled ? MajorTick : MinorTick), y, labelled ? MajorTick : MinorTick);
        if (labelled && y + 11 <= g.viewHeight())
            down.add(tile, g.left - MajorTick - 2 - DigitWidth * digitsOf(tile), y + 10);
    }
    html.put("<path class=\"ruler-tick\" d=\"%\"/>%%", ticks.take(), across.take(), down.take());
    return html.take();
}

Markup frames(const Geometry& g, const std::vector<TileRect>& blocks)
{
    Html html;
    for (const TileRect& block : blocks) {
        const qint64 x = g.xOf(block.x), y = g.yOf(block.y);
        const qint64 width = g.xOf(block.right()) - x, height = g.yOf(block.bottom()) - y;
        html.put("<rect class=\"frame-under\" x=\"%\" y=\"%\" width=\"%\" height=\"%\"/>"
                 "<rect class=\"frame-conflict\" x=\"%\" y=\"%\" width=\"%\" height=\"%\"/>",
                 x, y, width, height, x, y, width, height);
    }
    return html.take();
}

// The views, each picture's place in the sides picture: before, after, ours, theirs.
enum class Side { Before, After, Ours, Theirs, Changes };

const char* sideName(Side side)
{
    const char* const names[] = {"before", "after", "ours", "theirs", "changes"};
    return names[int(side)];
}

QString sideTitle(Side side, bool merge)
{
    const char* const titles[] = {"Before", "After", "Ours", "Theirs", "Changes"};
    if (merge && (side == Side::Before || side == Side::After))
        return side == Side::Before ? QStringLiteral("Base") : QStringLiteral("Result");
    return QLatin1String(titles[int(side)]);
}

// The outline of each of a merge's conflicting cells, as one path.
Markup cellFrames(const Geometry& g, const std::vector<TileRect>& cells, const QString& id)
{
    Html path;
    for (const TileRect& cell : cells) {
        const qint64 x = g.xOf(cell.x), y = g.yOf(cell.y);
        path.put("M%,%h%v%h%Z", x, y, g.xOf(cell.right()) - x, g.yOf(cell.bottom()) - y,
                 x - g.xOf(cell.right()));
    }
    Html html;
    html.put("<path id=\"%\" class=\"frame-merge\" d=\"%\"/>", id, path.take());
    return html.take();
}

// An image of PNG data over the part's cells, `cells` wide.
Markup image(const Geometry& g, const QString& id, qint64 width, const QByteArray& png)
{
    Html html;
    html.put("<image");
    if (!id.isEmpty())
        html.put(" id=\"%\"", id);
    html.put(" x=\"%\" y=\"%\" width=\"%\" height=\"%\" href=\"data:image/png;base64,%\"/>", g.left, g.top,
             width, g.height, Markup{png.toBase64()});
    return html.take();
}

// What a view draws. The before view holds the picture of both sides, its
// after half outside the view; the others use it again: the after view lays
// that half over the before one, the change view dims both under its marks.
// The rulers and frames come last, over any picture out of place.
Markup content(const PartViews& v, const Geometry& g, Side side, const Markup& rulers, const Markup& frames)
{
    const QString sides = v.id + QStringLiteral("-sides");
    const QString cells = v.id + QStringLiteral("-conflicts");
    Html html;
    if (side == Side::Before)
        html.put("%", image(g, sides, v.part.sides * g.width, v.images.sides));
    else if (side != Side::Changes)
        html.put("<use href=\"#%\"/><use href=\"#%\" x=\"%\"/>", sides, sides, -int(side) * g.width);
    else
        html.put("<g filter=\"url(#dim)\"><use href=\"#%\"/><use href=\"#%\" x=\"%\"/></g>%", sides, sides,
                 -g.width, image(g, QString(), g.width, v.images.marks));
    html.put("%%", rulers, frames);
    if (!v.conflictCells.empty() && side == Side::Before)
        html.put("%", cellFrames(g, v.conflictCells, cells));
    else if (!v.conflictCells.empty())
        html.put("<use href=\"#%\"/>", cells);
    return html.take();
}

}  // namespace

namespace {

// The most PNG data of `width` x `height` pixels of `bytesPerPixel` takes,
// as base64 in the page: each row's filter byte too, the compression's
// blocks stored as they are, a full palette and its transparency.
qint64 imageBound(qint64 width, qint64 height, qint64 bytesPerPixel)
{
    const qint64 rows = width * height * bytesPerPixel + height;
    const qint64 png = rows + 5 * (rows / 16383 + 1) + 6 + 2048;
    return (png + 2) / 3 * 4;
}

}  // namespace

qint64 partViewsBound(const PicturePart& part, qint64 framedBlocks, qint64 framedCells)
{
    constexpr qint64 ViewMarkup = 1024, TickMarkup = 80, FrameMarkup = 256, CellMarkup = 40;
    const qint64 ticks = (part.area.width + part.area.height) / 8 + 2;
    const qint64 cells = qMin(framedCells, part.cellsWide() * part.cellsHigh());
    // Any colours at all on any side, and four bytes a pixel; the marks'
    // few colours always in a palette, a byte a pixel.
    return imageBound(part.sides * part.cellsWide(), part.cellsHigh(), 4)
           + imageBound(part.cellsWide() * part.markPixels, part.cellsHigh() * part.markPixels, 1)
           + (part.sides + 1) * (ViewMarkup + ticks * TickMarkup + framedBlocks * FrameMarkup)
           + cells * CellMarkup;
}

void writePartViews(Html& html, const PartViews& v)
{
    const Geometry g(v.part);
    const Markup ruled = rulers(g), framed = frames(g, v.conflicts);
    html.put("<div class=\"views\">\n");
    const bool merge = v.part.sides > 2;
    const std::vector<Side> shown =
        merge ? std::vector<Side>{Side::Before, Side::Ours, Side::Theirs, Side::After, Side::Changes}
              : std::vector<Side>{Side::Before, Side::After, Side::Changes};
    for (const Side side : shown) {
        const QString id = v.id + QLatin1Char('-') + QLatin1String(sideName(side));
        const QString title = sideTitle(side, merge);
        html.put("<figure class=\"view\" id=\"%\" popover><figcaption>%</figcaption>"
                 "<button class=\"open\" type=\"button\" popovertarget=\"%\" aria-label=\"Enlarge: %, %\">"
                 "<svg class=\"picture\" viewBox=\"0 0 % %\" width=\"%\" height=\"%\" data-region=\"%\" "
                 "data-side=\"%\" data-x=\"%\" data-y=\"%\" data-tiles-per-cell=\"%\" data-left=\"%\" "
                 "data-top=\"%\" data-pixels-per-cell=\"%\" role=\"img\" aria-label=\"%, %\">",
                 id, title, id, v.caption, title.toLower(), g.viewWidth(), g.viewHeight(), g.viewWidth(),
                 g.viewHeight(), v.region, QLatin1String(sideName(side)), v.part.area.x, v.part.area.y,
                 v.part.cellTiles, g.left, g.top, v.part.shownPixels, v.caption, title.toLower());
        html.put("%</svg></button><button class=\"close\" type=\"button\" popovertarget=\"%\" "
                 "popovertargetaction=\"hide\">Close</button></figure>\n",
                 content(v, g, side, ruled, framed), id);
    }
    html.put("</div>\n");
}

}  // namespace quillmark
