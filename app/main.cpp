#include <QApplication>
#include <QLabel>

#include "engine/presets.h"

// Until the main window exists, a placeholder window shows that the build runs.
int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    register_file_type_names();
    register_codec_names();
    register_audio_format_names();
    QLabel label(QStringLiteral("converter"));
    label.resize(480, 240);
    label.setAlignment(Qt::AlignCenter);
    label.show();
    return app.exec();
}
