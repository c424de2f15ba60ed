#include "geometry.h"

#include <algorithm>
#include <cmath>

namespace media {

int even_coordinate(double v) { return 2 * static_cast<int>(std::lround(v / 2)); }

AffineTransform AffineTransform::concat(const AffineTransform& t) const
{
    return {a * t.a + b * t.c,         a * t.b + b * t.d,         c * t.a + d * t.c,
            c * t.b + d * t.d,         tx * t.a + ty * t.c + t.tx, tx * t.b + ty * t.d + t.ty};
}

AffineTransform AffineTransform::scaled(double sx, double sy) const
{
    return scaling(sx, sy).concat(*this);
}

AffineTransform AffineTransform::inverted() const
{
    const double det = a * d - b * c;
    if (det == 0)
        return *this;
    return {d / det, -b / det, -c / det, a / det, (c * ty - d * tx) / det, (b * tx - a * ty) / det};
}

Point AffineTransform::apply(const Point& p) const
{
    return {a * p.x + c * p.y + tx, b * p.x + d * p.y + ty};
}

Rect AffineTransform::apply(const Rect& r) const
{
    const Point corners[4] = {
        apply(r.origin),
        apply(Point{r.origin.x + r.size.width, r.origin.y}),
        apply(Point{r.origin.x, r.origin.y + r.size.height}),
        apply(Point{r.origin.x + r.size.width, r.origin.y + r.size.height}),
    };
    double x0 = corners[0].x, x1 = x0, y0 = corners[0].y, y1 = y0;
    for (const Point& p : corners) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    return {{x0, y0}, {x1 - x0, y1 - y0}};
}

}  // namespace media
