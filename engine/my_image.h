#pragma once

#include <QColor>
#include <QImage>
#include <optional>

// The five coloured status dots of the file table, made once.
class My_Image {
public:
    My_Image();
    // Builds the dots from the given base image; none leaves them absent.
    explicit My_Image(const std::optional<QImage>& base);

    QColor b;
    std::optional<QImage> blue_round;
    std::optional<QImage> green_round;
    std::optional<QImage> red_round;
    std::optional<QImage> orange_round;
    std::optional<QImage> gray_round;
};

// A copy of the image painted with the colour wherever the image has paint; its
// transparency is kept and the given image is not changed.
QImage tint_image(const QImage& image, const QColor& color);
