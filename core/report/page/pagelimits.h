#pragma once

// What bounds a report's pages, whatever the patch: each page holds at most
// PageBytes, and at most PagePieces parts of regions (each a few pictures
// and their lists, which a browser takes about a millisecond to set up), so
// that a browser opens it at once; when the regions do not fit on one page
// with the summary, they go on to numbered pages after it. The lists a page
// shows are cut short where the facts go on in the JSON.

#include <QtGlobal>

namespace quillmark {

constexpr qint64 PageBytes = 16000000;
constexpr qint64 PagePieces = 600;
// Changes listed per list of a region; the rest are counted.
constexpr qint64 ListedChanges = 20;
// Blocks that do not fit the patch, listed on the first page; the facts list all.
constexpr qint64 ListedConflicts = 1000;

}  // namespace quillmark
