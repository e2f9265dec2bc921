#include "pagestyle.h"

#include "changemarks.h"
#include "overview.h"

namespace quillmark {

namespace {

const char Layout[] =
    R"(body { font: 14px/1.4 sans-serif; margin: 1.5em; color: #1d232b; background: #f4f2ee; }
h1 { font-size: 1.5em; margin: 0 0 .5em; }
h2 { font-size: 1.2em; margin: 1.6em 0 .4em; border-top: 1px solid #c9c4ba; padding-top: .8em; }
h3 { font-size: 1em; margin: .8em 0 .3em; }
a { color: #1a5fa0; }
table { border-collapse: collapse; margin: .3em 0; }
td, th { padding: 1px 10px 1px 0; text-align: right; font-variant-numeric: tabular-nums; }
th { text-align: left; }
td.text, th.text { text-align: left; }
.overview { max-width: 100%; overflow: auto; }
.overview img { image-rendering: pixelated; border: 1px solid #555; }
.defs { position: absolute; width: 0; height: 0; }
.swatch { display: inline-block; width: 1.6em; height: .9em; margin: 0 .1em; vertical-align: -.1em;
  border: 1px solid #555; }
section.region, section.detail { content-visibility: auto; contain-intrinsic-size: auto 700px; }
.views { display: flex; flex-wrap: wrap; gap: 16px; align-items: flex-start; }
figure.view { margin: 0; }
figure.view[popover]:not(:popover-open) { display: block; position: static; inset: auto; width: auto;
  height: auto; margin: 0; border: 0; padding: 0; overflow: visible; color: inherit; background: none; }
figure.view:popover-open { position: fixed; inset: 0; width: auto; height: auto; margin: 0; border: 0;
  padding: 2.6em 1em 1em; overflow: hidden; background: #101216; color: #fff; }
figcaption { font-weight: bold; }
button.open { all: unset; display: block; line-height: 0; cursor: zoom-in; }
button.open:focus-visible { outline: 2px solid #1a5fa0; outline-offset: 2px; }
figure.view:popover-open button.open { cursor: zoom-out; }
button.close { display: none; }
figure.view:popover-open button.close { display: block; position: fixed; top: .6em; right: 1.2em;
  font: inherit; color: #fff; background: #2a2f36; border: 1px solid #888; padding: .1em .8em; cursor: pointer; }
svg.picture { display: block; image-rendering: pixelated; background: #101010; }
figure.view:popover-open svg.picture { width: calc(100vw - 2em); height: calc(100vh - 4.6em); }
.ruler-band { fill: #e6e2da; }
.ruler-tick { stroke: #1d232b; stroke-width: 1px; vector-effect: non-scaling-stroke; fill: none; }
.ruler-label { font: 10px sans-serif; fill: #1d232b; }
.frame-under { fill: none; stroke: #fff; stroke-width: 3px; }
.frame-conflict { fill: none; stroke: %conflict%; stroke-width: 3px; stroke-dasharray: 5 3; }
.frame-merge { fill: none; stroke: %merge%; stroke-width: 2px; vector-effect: non-scaling-stroke; }
.nav { margin: 0 0 .3em; }
.contents { columns: 20em; column-gap: 3.5em; content-visibility: auto; contain-intrinsic-size: auto 2000px; }
.lists { display: flex; flex-wrap: wrap; gap: 32px; }
tr.does-not-fit td:first-child { border-left: 3px solid %conflict%; padding-left: 4px; }
pre.list { font: 13px/1.35 monospace; margin: .3em 0; }
.more { color: #666; font-style: italic; }
.none { color: #666; }
)";

QByteArray hex(Rgb colour)
{
    return QByteArray("#") + QByteArray::number(colour & 0xffffff, 16).rightJustified(6, '0');
}

QByteArray swatch(const char* name, Rgb colour)
{
    return QByteArray(".swatch.") + name + " { background: " + hex(colour) + "; }\n";
}

QByteArray build()
{
    using namespace changemarks;
    QByteArray style(Layout);
    style.replace("%conflict%", hex(Overview::ConflictFrame));
    style.replace("%merge%", hex(Overview::MergeConflictFrame));
    style +=
        swatch("replaced", TileReplaced) + swatch("added", StaticsAdded) + swatch("removed", StaticsRemoved);
    for (int step = 0; step < AltitudeSteps; ++step)
        style +=
            swatch(QByteArray("raised-" + QByteArray::number(step)).constData(), Raised[size_t(step)])
            + swatch(QByteArray("lowered-" + QByteArray::number(step)).constData(), Lowered[size_t(step)]);
    style += swatch("changed", Overview::ChangedMark) + swatch("region", Overview::RegionFrame);
    style +=
        ".swatch.merge { background: none; border: 2px solid " + hex(Overview::MergeConflictFrame) + "; }\n";
    style +=
        ".swatch.conflict { background: none; border: 3px dashed " + hex(Overview::ConflictFrame) + "; }\n";
    return style;
}

}  // namespace

const QByteArray& pageStyle()
{
    static const QByteArray style = build();
    return style;
}

}  // namespace quillmark
