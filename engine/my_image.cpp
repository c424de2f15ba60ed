#include "my_image.h"

#include <QPainter>

#include "stdout_log.h"
#include "named_images.h"
#include "system_colors.h"

My_Image::My_Image() : My_Image(named_image(NamedImage::StatusAvailable)) {}

My_Image::My_Image(const std::optional<QImage>& base) : b(systemGrayColor())
{
    if (!base)
        return;
    blue_round = tint_image(*base, systemBlueColor());
    green_round = tint_image(*base, systemGreenColor());
    red_round = tint_image(*base, systemRedColor());
    orange_round = tint_image(*base, systemOrangeColor());
    gray_round = tint_image(*base, systemGrayColor());
    logLine(QStringLiteral("创建颜色"));
}

QImage tint_image(const QImage& image, const QColor& color)
{
    QImage copy = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (copy.isNull())
        return copy;
    QPainter painter(&copy);
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.fillRect(QRect(0, 0, copy.width(), copy.height()), color);
    painter.end();
    return copy;
}
