#include "app/shell/app_delegate.h"

#include <QCoreApplication>
#include <QUrl>

#include "app/build_info.h"
#include "app/shell/web_pages.h"
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
// An address that does not form a URL, or a README that is not there, opens nothing and says nothing.
void open_web_page(const char* address)
{
    if (const std::optional<QUrl> url = web_pages::page(address, QCoreApplication::applicationDirPath()))
        desktop::services().open_url(*url);
}
}  // namespace

void AppDelegate::adout_us() { open_web_page(build_info::about_url); }
void AppDelegate::more_excellent_app() { open_web_page(build_info::more_apps_url); }
