#include "app/shell/app_delegate.h"

#include <QUrl>

#include "app/build_info.h"
#include "app/update/update_manager.h"
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
// An address that does not form a URL opens nothing and says nothing.
void open_web_page(const char* address)
{
    const QUrl url(QString::fromUtf8(address), QUrl::StrictMode);
    if (url.isValid() && !url.isEmpty())
        desktop::services().open_url(url);
}
}  // namespace

void AppDelegate::adout_us() { open_web_page(build_info::about_url); }
void AppDelegate::more_excellent_app() { open_web_page(build_info::more_apps_url); }
