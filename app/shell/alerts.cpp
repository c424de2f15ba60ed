#include "app/shell/alerts.h"

#include <QFontMetrics>
#include <algorithm>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

namespace alerts {
namespace {

// A message box is narrow and wraps anywhere, which cuts file paths in the middle: make the
// informative text wide enough for its longest line, up to a width that still fits a screen.
void widen_for_lines(QMessageBox& box, const QStringList& lines)
{
    auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    if (!label)
        return;
    const QFontMetrics metrics(label->font());
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    label->setMinimumWidth(std::min(widest + metrics.averageCharWidth(), kMaximumInformativeWidth));
}

}  // namespace

QMessageBox* make(QWidget* parent, QMessageBox::Icon icon, const QString& message, const QString& informative)
{
    auto* box = new QMessageBox(parent);
    box->setIcon(icon);
    box->setText(message);
    const QStringList lines = informative.split(QLatin1Char('\n'));
    // A trailing line break does not count as a line of its own.
    const qsizetype count = lines.size() - (informative.endsWith(QLatin1Char('\n')) ? 1 : 0);
    if (count > kMaximumInformativeLines) {
        box->setInformativeText(lines.mid(0, kMaximumInformativeLines).join(QLatin1Char('\n'))
                                + QStringLiteral("\n…"));
        box->setDetailedText(informative);
    } else {
        box->setInformativeText(informative);
    }
    box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    widen_for_lines(*box, lines.mid(0, kMaximumInformativeLines));
    return box;
}

namespace {
QMessageBox* show(QWidget* parent, QMessageBox::Icon icon, const QString& message, const QString& informative)
{
    QMessageBox* box = make(parent, icon, message, informative);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    return box;
}
}  // namespace

QMessageBox* show_information(QWidget* parent, const QString& message, const QString& informative)
{
    return show(parent, QMessageBox::Information, message, informative);
}

QMessageBox* show_critical(QWidget* parent, const QString& message, const QString& informative)
{
    return show(parent, QMessageBox::Critical, message, informative);
}

}  // namespace alerts
