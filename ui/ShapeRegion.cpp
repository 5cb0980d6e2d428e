#include "ui/ShapeRegion.h"

ShapeRegion ShapeRegion::FromPicture(const res::Image& picture) {
    ShapeRegion shape;
    shape.m_rowStart.reserve(static_cast<size_t>(picture.Height()) + 1);
    for (int y = 0; y < picture.Height(); ++y) {
        shape.m_rowStart.push_back(shape.m_runs.size());
        int x = 0;
        while (x < picture.Width()) {
            while (x < picture.Width() && res::IsPureWhite(picture.Pixel(x, y))) ++x;
            int start = x;
            while (x < picture.Width() && !res::IsPureWhite(picture.Pixel(x, y))) ++x;
            if (x > start) shape.m_runs.push_back(UiRect{start, y, x - start, 1});
        }
    }
    shape.m_rowStart.push_back(shape.m_runs.size());
    return shape;
}

bool ShapeRegion::Contains(int x, int y) const {
    if (y < 0 || static_cast<size_t>(y) + 1 >= m_rowStart.size()) return false;
    for (size_t i = m_rowStart[static_cast<size_t>(y)]; i < m_rowStart[static_cast<size_t>(y) + 1]; ++i) {
        const UiRect& run = m_runs[i];
        if (x >= run.x && x < run.x + run.width) return true;
    }
    return false;
}
