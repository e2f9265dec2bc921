#include "pagehead.h"

#include "changemarks.h"
#include "pagestyle.h"

namespace quillmark {

namespace {

// The after picture's lightness, as the eye weighs the channels, at a third.
const char DimFilter[] =
    "<svg class=\"defs\" aria-hidden=\"true\"><filter id=\"dim\" color-interpolation-filters=\"sRGB\">"
    "<feColorMatrix type=\"matrix\" values=\".0997 .1957 .038 0 0 .0997 .1957 .038 0 0 .0997 .1957 .038 0 0 "
    "0 0 0 1 0\"/></filter></svg>\n";

}  // namespace

Markup swatch(const char* name)
{
    Html html;
    html.put("<span class=\"swatch %\"></span>", QLatin1String(name));
    return html.take();
}

void writePageHead(Html& html, const QString& title)
{
    html.put("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
             "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; img-src data:; "
             "style-src 'unsafe-inline'\">\n"
             "<meta name=\"viewport\" content=\"width=device-width, "
             "initial-scale=1\">\n<title>%</title>\n<style>\n%"
             "</style>\n</head>\n<body>\n%<h1>%</h1>\n",
             title, Markup{pageStyle()}, Markup{DimFilter}, title);
}

void writePageFoot(Html& html)
{
    html.put("</body>\n</html>\n");
}

void writeLegend(Html& html)
{
    using namespace changemarks;
    Html raised, lowered;
    for (int step = 0; step < AltitudeSteps; ++step) {
        const int from = StepFrom[size_t(step)];
        const int to = step + 1 < AltitudeSteps ? StepFrom[size_t(step) + 1] - 1 : 0;
        const QString steps = to == 0      ? QStringLiteral("%1 or more").arg(from)
                              : to == from ? QString::number(from)
                                           : QStringLiteral("%1 to %2").arg(from).arg(to);
        if (step > 0) {
            raised.put(",");
            lowered.put(",");
        }
        raised.put(" % %", swatch(QByteArray("raised-" + QByteArray::number(step)).constData()), steps);
        lowered.put(" % %", swatch(QByteArray("lowered-" + QByteArray::number(step)).constData()), steps);
    }
    html.put(
        "<p class=\"legend\" id=\"legend\">In each change view, the after picture in greys, dimmed, and "
        "each changed tile marked: % land tile replaced; altitude raised by%; lowered by%; % statics added, "
        "% "
        "statics removed (altitudes in the game's units); a tile with several changes is split, land above, "
        "statics below. Blocks that do not fit the patch are framed % in every picture; in a merge's "
        "review, tiles both sides changed, each its own way, are framed % in every picture (the result "
        "shows ours there). Click a picture, or press Enter on it, to see it larger; Escape closes it.</p>\n",
        swatch("replaced"), raised.take(), lowered.take(), swatch("added"), swatch("removed"),
        swatch("conflict"), swatch("merge"));
}

}  // namespace quillmark
