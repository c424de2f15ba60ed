#include "app/shell/app_delegate.h"

#include <QUrl>

#include "app/update/update_manager.h"
#include "app/build_info.h"
#include "engine/presets.h"
#include "platform/desktop/services.h"

void AppDelegate::applicationDidFinishLaunching()
{
    register_file_type_names();
    register_codec_names();
    register_audio_format_names();
    UpdateManager::start();
}

namespace {
void open_web_page(const char* address)
{
    const QUrl url(QString::fromUtf8(address), QUrl::StrictMode);
    if (url.isValid() && !url.isEmpty())
        desktop::services().open_url(url);
}
}  // namespace

void AppDelegate::adout_us() { open_web_page(build_info::about_url); }
void AppDelegate::more_excellent_app() { open_web_page(build_info::more_apps_url); }
