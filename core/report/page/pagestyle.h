#pragma once

#include <QByteArray>

namespace quillmark {

// The style of every page of a report, in one place: its layout, its
// pictures and their zoom, and a class for each colour a legend shows
// (swatch replaced, raised-0 to raised-4, lowered-0 to lowered-4, added,
// removed, changed, region, conflict), taken from the colours the pictures
// are drawn in. The pages' markup names these classes and carries no style
// of its own but the size of a part's cells.
const QByteArray& pageStyle();

}  // namespace quillmark
