#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// Alerts with a message, an informative text and one literal "OK" button.
namespace alerts {

// Informative texts longer than this many lines show their first lines only; the whole
// text goes into the scrollable details, so that the button never leaves the screen.
inline constexpr int kMaximumInformativeLines = 20;
// Informative lines up to this many pixels wide show unwrapped.
inline constexpr int kMaximumInformativeWidth = 720;

// Builds the alert without showing it. The parent's window is the alert's window.
QMessageBox* make(QWidget* parent, QMessageBox::Icon icon, const QString& message, const QString& informative);

// Shows an alert window-modal with open() (no nested event loop); it deletes itself on close.
QMessageBox* show_information(QWidget* parent, const QString& message, const QString& informative);
QMessageBox* show_critical(QWidget* parent, const QString& message, const QString& informative);

}  // namespace alerts
