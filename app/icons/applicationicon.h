#pragma once

#include <QIcon>
#include <QImage>
#include <QList>

// The program's own icon: a quill over a facet's block grid, some blocks
// marked as changed. Drawn, not stored, so that every size is sharp; the
// window and the installed theme icons come from the same drawing.

// The sizes, in pixels, that desktops look for in an icon theme.
QList<int> applicationIconSizes();

// The icon drawn on a transparent square of `size` pixels.
QImage paintApplicationIcon(int size);

// The icon at every size of applicationIconSizes(), for the window.
QIcon applicationIcon();
