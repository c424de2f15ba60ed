#pragma once

#include <QVariant>
#include <QWidget>
#include <map>
#include <optional>

// The audio pane: the audio format of video outputs (linear PCM or AAC).
class Audio_setup_ViewController : public QWidget {
    Q_OBJECT
public:
    explicit Audio_setup_ViewController(QWidget* parent = nullptr);

    // The audio writer settings of the chosen format.
    std::map<QString, std::optional<QVariant>> get_audio_settings();
};
