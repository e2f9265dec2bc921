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

enum class Side { Before, After, Changes };

const char* sideName(Side side)
{
    return side == Side::Before ? "before" : side == Side::After ? "after" : "changes";
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
    Html html;
    if (side == Side::Before)
        html.put("%", image(g, sides, 2 * g.width, v.images.sides));
    else if (side == Side::After)
        html.put("<use href=\"#%\"/><use href=\"#%\" x=\"%\"/>", sides, sides, -g.width);
    else
        html.put("<g filter=\"url(#dim)\"><use href=\"#%\"/><use href=\"#%\" x=\"%\"/></g>%", sides, sides,
                 -g.width, image(g, QString(), g.width, v.images.marks));
    html.put("%%", rulers, frames);
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

qint64 partViewsBound(const PicturePart& part, qint64 framedBlocks)
{
    constexpr qint64 ViewMarkup = 1024, TickMarkup = 80, FrameMarkup = 256;
    const qint64 ticks = (part.area.width + part.area.height) / 8 + 2;
    // Any colours at all on either side, and four bytes a pixel; the marks'
    // few colours always in a palette, a byte a pixel.
    return imageBound(2 * part.cellsWide(), part.cellsHigh(), 4)
           + imageBound(part.cellsWide() * part.markPixels, part.cellsHigh() * part.markPixels, 1)
           + 3 * (ViewMarkup + ticks * TickMarkup + framedBlocks * FrameMarkup);
}

void writePartViews(Html& html, const PartViews& v)
{
    const Geometry g(v.part);
    const Markup ruled = rulers(g), framed = frames(g, v.conflicts);
    html.put("<div class=\"views\">\n");
    for (const Side side : {Side::Before, Side::After, Side::Changes}) {
        const QString id = v.id + QLatin1Char('-') + QLatin1String(sideName(side));
        const QString title = side == Side::Before  ? QStringLiteral("Before")
                              : side == Side::After ? QStringLiteral("After")
                                                    : QStringLiteral("Changes");
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
