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

Markup rulers(const Geometry& g)
{
    const TileRect& area = g.part.area;
    Html html;
    html.put("<rect class=\"ruler-band\" x=\"0\" y=\"0\" width=\"%\" height=\"%\"/>"
             "<rect class=\"ruler-band\" x=\"0\" y=\"%\" width=\"%\" height=\"%\"/>",
             g.viewWidth(), g.top, g.top, g.left, g.height);
    Html ticks, labels;
    const qint64 tickStep = g.stepFor(LeastTickSpacing);
    const qint64 xLabels = g.stepFor(DigitWidth * digitsOf(area.right() - 1) + LabelGap);
    for (qint64 tile = firstMultiple(area.x, tickStep); tile < area.right(); tile += tickStep) {
        const qint64 x = g.xOf(tile);
        const bool labelled = tile % xLabels == 0;
        ticks.put("M%,%v%", x, g.top - (labelled ? MajorTick : MinorTick), labelled ? MajorTick : MinorTick);
        if (labelled && x + 2 + DigitWidth * digitsOf(tile) <= g.viewWidth())
            labels.put("<text class=\"ruler-label\" x=\"%\" y=\"10\">%</text>", x + 2, tile);
    }
    const qint64 yLabels = g.stepFor(2 * LabelGap);
    for (qint64 tile = firstMultiple(area.y, tickStep); tile < area.bottom(); tile += tickStep) {
        const qint64 y = g.yOf(tile);
        const bool labelled = tile % yLabels == 0;
        ticks.put("M%,%h%", g.left - (labelled ? MajorTick : MinorTick), y, labelled ? MajorTick : MinorTick);
        if (labelled && y + 11 <= g.viewHeight())
            labels.put("<text class=\"ruler-label y\" x=\"%\" y=\"%\">%</text>", g.left - MajorTick - 2,
                       y + 10, tile);
    }
    html.put("<path class=\"ruler-tick\" d=\"%\"/>%", ticks.take(), labels.take());
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

// An image of the part's PNG data over its cells.
Markup image(const Geometry& g, const QString& id, const QByteArray& png)
{
    Html html;
    html.put("<image");
    if (!id.isEmpty())
        html.put(" id=\"%\"", id);
    html.put(" x=\"%\" y=\"%\" width=\"%\" height=\"%\" href=\"data:image/png;base64,%\"/>", g.left, g.top,
             g.width, g.height, Markup{png.toBase64()});
    return html.take();
}

// What a view draws: the pictures defined in the views before it are used again.
Markup content(const PartViews& v, const Geometry& g, Side side, const Markup& rulers, const Markup& frames)
{
    const QString before = v.id + QStringLiteral("-before-image"),
                  after = v.id + QStringLiteral("-after-image");
    const QString ruled = v.id + QStringLiteral("-rulers"), framed = v.id + QStringLiteral("-frames");
    Html html;
    if (side == Side::Before) {
        html.put("%<g id=\"%\">%</g>", image(g, before, v.images.before), ruled, rulers);
        if (!v.conflicts.empty())
            html.put("<g id=\"%\">%</g>", framed, frames);
        return html.take();
    }
    if (side == Side::After)
        html.put("<use href=\"#%\"/>%", before, image(g, after, v.images.after));
    else
        html.put("<g filter=\"url(#dim)\"><use href=\"#%\"/><use href=\"#%\"/></g>%", before, after,
                 image(g, QString(), v.images.marks));
    html.put("<use href=\"#%\"/>", ruled);
    if (!v.conflicts.empty())
        html.put("<use href=\"#%\"/>", framed);
    return html.take();
}

}  // namespace

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
