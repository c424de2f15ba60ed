// Draws the bundled status and fallback images. Not part of the build: make_images.sh
// compiles and runs it once, and the PNGs it writes are committed.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage canvas(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

bool save(const QImage& image, const char* path)
{
    if (image.save(QString::fromUtf8(path), "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", path);
    return false;
}

// A circle on a status-sized canvas.
QImage circle(const QPen& pen, const QBrush& brush, const QRectF& bounds)
{
    QImage image = canvas(32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(pen);
    p.setBrush(brush);
    p.drawEllipse(bounds);
    return image;
}

// A filled round dot with a slightly darker rim, for the status images.
QImage dot(QColor fill)
{
    return circle(QPen(fill.darker(130), 1.5), fill, QRectF(4.75, 4.75, 22.5, 22.5));
}

// An empty ring: no status.
QImage ring()
{
    return circle(QPen(QColor(150, 150, 150), 2), Qt::NoBrush, QRectF(5, 5, 22, 22));
}

// A green disc with a white check mark: done.
QImage ok()
{
    QImage image = canvas(64);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(46, 194, 126));
    p.drawEllipse(QRectF(4, 4, 56, 56));
    QPainterPath check;
    check.moveTo(18, 33);
    check.lineTo(28, 43);
    check.lineTo(46, 22);
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(check);
    return image;
}

// A sheet of paper with a folded corner, and a mark drawn on it by the caller.
void sheet(QPainter& p, QImage& image, QColor accent)
{
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath page;
    page.moveTo(48, 16);
    page.lineTo(164, 16);
    page.lineTo(208, 60);
    page.lineTo(208, 240);
    page.lineTo(48, 240);
    page.closeSubpath();
    p.setPen(QPen(QColor(120, 120, 120), 4));
    p.setBrush(QColor(250, 250, 250));
    p.drawPath(page);
    QPainterPath fold;
    fold.moveTo(164, 16);
    fold.lineTo(164, 60);
    fold.lineTo(208, 60);
    p.setBrush(QColor(220, 220, 220));
    p.drawPath(fold);
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
}

QImage video_file()
{
    QImage image = canvas(256);
    QPainter p;
    sheet(p, image, QColor(53, 132, 228));
    p.drawRoundedRect(QRectF(72, 104, 112, 80), 10, 10);
    p.setBrush(Qt::white);
    QPolygonF play;
    play << QPointF(112, 122) << QPointF(112, 166) << QPointF(150, 144);
    p.drawPolygon(play);
    p.end();
    return image;
}

QImage audio_file()
{
    QImage image = canvas(256);
    QPainter p;
    sheet(p, image, QColor(145, 65, 172));
    p.drawEllipse(QRectF(80, 168, 40, 30));
    p.drawEllipse(QRectF(140, 156, 40, 30));
    p.drawRect(QRectF(110, 100, 10, 84));
    p.drawRect(QRectF(170, 88, 10, 84));
    QPolygonF beam;
    beam << QPointF(110, 100) << QPointF(180, 88) << QPointF(180, 106) << QPointF(110, 118);
    p.drawPolygon(beam);
    p.end();
    return image;
}

QImage plain_file()
{
    QImage image = canvas(256);
    QPainter p;
    sheet(p, image, QColor(160, 160, 160));
    for (int i = 0; i < 5; ++i)
        p.drawRect(QRectF(76, 96 + i * 24, i == 4 ? 64 : 104, 8));
    p.end();
    return image;
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    bool good = save(dot(QColor(46, 194, 126)), "images/status_available.png") &&
                save(dot(QColor(246, 211, 45)), "images/status_partially_available.png") &&
                save(dot(QColor(224, 27, 36)), "images/status_unavailable.png") &&
                save(ring(), "images/status_none.png") && save(ok(), "images/ok.png") &&
                save(video_file(), "images/video_file.png") &&
                save(audio_file(), "images/audio_file.png") &&
                save(plain_file(), "images/plain_file.png");
    return good ? 0 : 1;
}
