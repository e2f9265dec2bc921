#pragma once

// Places labels on a picture so that they neither overlap each other nor
// leave it: each next to its target when there is room, else farther out
// (the caller draws a leader line to it), preferring places that cover no
// marks of the picture, and none at all when no place is free.

#include <QRect>

#include <vector>

namespace quillmark {

class LabelPlacer
{
public:
    // `ink`: width x height flags, row by row, of the pixels a label had
    // better not cover.
    LabelPlacer(int width, int height, const std::vector<bool>& ink);

    // A free place for a label of `size` near `target`, now taken; an
    // empty rectangle when there is none.
    QRect place(const QRect& target, const QSize& size);

    // Whether `label` (as place() gave it) lies away from `target`, so that
    // a leader line must join them.
    static bool needsLeader(const QRect& label, const QRect& target);

private:
    bool isFree(const QRect& candidate) const;
    qint64 inkUnder(const QRect& candidate) const;

    void take(const QRect& label);

    int m_width;
    int m_height;
    std::vector<quint32> m_inkSums;  // summed-area table, (width + 1) x (height + 1)
    // The labels placed, found by the squares of BucketSide pixels they
    // touch, so that a picture of thousands of labels places each in a few steps.
    static constexpr int BucketSide = 32;
    int m_bucketsWide;
    std::vector<std::vector<QRect>> m_taken;
};

}  // namespace quillmark
