#pragma once

namespace media {

// The size an encoder with subsampled colour takes: a positive odd size rounded up to even
// (1919 gives 1920). Both engines size their output with it.
constexpr long long even_size(long long size) { return size > 0 && size % 2 ? size + 1 : size; }

// The even coordinate nearest to v (halves away from zero): the edges of a picture on a frame
// with subsampled colour sit on even samples. Round each edge, not an offset and a size, so
// that a centred picture stays centred and reaches the frame's edges.
int even_coordinate(double v);

struct Point {
    double x = 0, y = 0;
};

struct Size {
    double width = 0, height = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    Point origin;
    Size size;
};

// A 2-D affine transform: (x, y) maps to (a*x + c*y + tx, b*x + d*y + ty).
struct AffineTransform {
    double a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;

    static AffineTransform identity() { return {}; }
    static AffineTransform translation(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static AffineTransform scaling(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }

    bool is_identity() const { return *this == AffineTransform{}; }
    // This transform followed by other (this is applied to a point first).
    AffineTransform concat(const AffineTransform& other) const;
    // Scaling applied first, then this transform.
    AffineTransform scaled(double sx, double sy) const;
    AffineTransform inverted() const;  // identity-like copy when not invertible
    Point apply(const Point& p) const;
    // The bounding box of the rectangle's four mapped corners.
    Rect apply(const Rect& r) const;

    bool operator==(const AffineTransform&) const = default;
};

}  // namespace media
