#pragma once

#include <QCache>
#include <QImage>
#include <QStyledItemDelegate>

// The cell of the file table: thumbnail, name, duration, media information, media type,
// status icon and text, and a progress bar while the row exports or once it was cancelled.
// It paints from the model's roles; the row's selection is drawn by MyNSTableRowView.
class CustomCell : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kRowHeight = 84;

    explicit CustomCell(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Where a row without a progress bar draws its status text, a failure's cause, over as
    // many lines as it holds.
    static QRect status_lines(const QRect& row);

private:
    struct Layout;

    // The image scaled smoothly to fit the box in device pixels, kept for the next paint.
    QImage fitted(const QImage& image, const QSize& box, qreal device_pixel_ratio) const;
    void draw_image(QPainter& painter, const QImage& image, const QRect& box) const;
    void draw_texts(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                    const QRect& area) const;
    void draw_status(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                     const Layout& layout) const;

    mutable QCache<QString, QImage> scaled_;
};
