#include "app/table/status_text.h"

#include <cmath>

#include "app/shell/localized.h"
#include "engine/my_image.h"
#include "engine/one_exporter.h"

double progress_percent(float fraction)
{
    // The product in single precision, as the text shows it.
    const float percent = fraction * 100.0f;
    if (std::isnan(percent) || percent < 0)
        return 0;
    if (percent > 100)
        return 100;
    return percent;
}

std::pair<QString, std::optional<QImage>> state_text_icon(int status, const OneExporter& job, const My_Image& images)
{
    switch (status) {
    case 0:
        return {L("就绪"), images.gray_round};
    case 1:
        return {L("等待"), images.gray_round};
    case 2:
        return {L("进行中") + QStringLiteral(" ") + QString::asprintf("%.2f", progress_percent(job.out_progress))
                    + QStringLiteral(" %"),
                images.blue_round};
    case 3:
        return {L("完成"), images.green_round};
    case 4: {
        // The reason's brackets belong to the language: "Failed (…)" in English.
        const std::optional<QString> info = job.error_info.get();
        return {info ? L("失败(%1)").arg(*info) : L("失败"), images.red_round};
    }
    case 5:
        return {L("取消"), images.orange_round};
    default:
        return {QString(), std::nullopt};
    }
}
