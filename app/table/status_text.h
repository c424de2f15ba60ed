#pragma once

#include <QImage>
#include <QString>
#include <optional>
#include <utility>

class My_Image;
class OneExporter;

// A progress fraction in percent for the bar and the status text, held to 0-100: a value that
// is not a number counts as 0, an infinite or too large one as 100.
double progress_percent(float fraction);

// The status text and icon of a job, by its status: 0 ready, 1 waiting, 2 exporting (with the
// percentage), 3 done, 4 failed (with the failure text when there is one), 5 cancelled.
// Another status gives an empty text and no icon.
std::pair<QString, std::optional<QImage>> state_text_icon(int status, const OneExporter& job, const My_Image& images);
