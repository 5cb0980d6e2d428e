#pragma once
// A shape cut from a picture: every pixel that is not pure white belongs to it. Built row by
// row as maximal runs of such pixels, one-pixel-high rectangles; the same rule gives a
// window its shape from its background and a button its shape from its mask.

#include "res/Image.h"
#include "ui/DialogModel.h"

#include <vector>

class ShapeRegion {
public:
    // An empty shape (contains nothing).
    ShapeRegion() = default;

    // The shape of picture: the union of the maximal runs of non-white pixels of each row,
    // scanned left to right (a run reaching the right edge is closed there).
    static ShapeRegion FromPicture(const res::Image& picture);

    // True when the pixel x, y (picture coordinates) belongs to the shape.
    bool Contains(int x, int y) const;
    bool Empty() const { return m_runs.empty(); }
    // The runs, top to bottom and left to right within a row.
    const std::vector<UiRect>& Runs() const { return m_runs; }

private:
    std::vector<UiRect> m_runs;
    std::vector<size_t> m_rowStart;  // index of the first run of each row (height + 1 entries)
};
