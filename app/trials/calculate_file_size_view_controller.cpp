#include "app/trials/calculate_file_size_view_controller.h"

#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <filesystem>
#include <system_error>

#include "app/trials/trial_estimate.h"
#include "app/trials/trial_owner.h"
#include "engine/one_exporter.h"
#include "engine/stdout_log.h"

namespace {
// The trial: the first half second.
const media::Time kTrialLength = media::Time::make(300, 600);
}  // namespace

Calculate_file_size_NSViewController::Calculate_file_size_NSViewController(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Calculate_file_size"));
    setMinimumWidth(280);
    auto* layout = new QVBoxLayout(this);
    info_textfield = new QLabel(this);
    info_textfield->setAlignment(Qt::AlignCenter);
    info_textfield->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont font = info_textfield->font();
    font.setPointSizeF(font.pointSizeF() * 1.6);
    info_textfield->setFont(font);
    wj_load = new QProgressBar(this);
    wj_load->setRange(0, 0);
    wj_load->setTextVisible(false);
    layout->addStretch();
    layout->addWidget(info_textfield);
    layout->addWidget(wj_load);
    layout->addStretch();
}

Calculate_file_size_NSViewController::~Calculate_file_size_NSViewController()
{
    if (owner_)
        owner_->cancel();
}

std::shared_ptr<OneExporter> Calculate_file_size_NSViewController::out_out_Ex_obj() const
{
    return owner_ ? owner_->job : nullptr;
}

void Calculate_file_size_NSViewController::viewDidLoad()
{
    info_textfield->setText(QString());
    wj_load->show();
    if (!in_out_Ex_obj || !in_out_Ex_obj->raw_asset) {
        show_no_estimate();
        return;
    }
    const auto trial = OneExporter::create(in_out_Ex_obj->raw_asset);
    trial->My_prest_obj = My_prest_obj ? My_prest_obj : in_out_Ex_obj->My_prest_obj.get();

    owner_ = std::make_shared<TrialOwner>(this, nullptr, [this](const QUrl& url) { export_finished(url); });
    range_ = trial_range(trial->raw_duration, kTrialLength);
    TrialOwner::start_after_answer(owner_, in_out_Ex_obj, trial, range_, [](bool use_ffmpeg) {
        logLine(QStringLiteral("文件估算大小 是否启用ffmpeg ") + (use_ffmpeg ? QStringLiteral("true") : QStringLiteral("false")));
    });
}

void Calculate_file_size_NSViewController::export_finished(const QUrl&) { show_file_size(); }

void Calculate_file_size_NSViewController::show_file_size()
{
    wj_load->hide();
    const auto trial = out_out_Ex_obj();
    if (!trial)
        return show_no_estimate();
    if (trial->status == 4)
        logLine(QStringLiteral("发送错误"));
    const auto url = trial->out_url_obj.get();
    if (trial->status != 3 || !url)
        return show_no_estimate();
    const uint64_t bytes = get_file_size(*url);
    const auto estimate = estimate_output_size(bytes, trial->raw_duration.seconds(), range_.duration.seconds());
    if (!estimate)
        return show_no_estimate();
    info_textfield->setText(byte_count_text(*estimate));
}

void Calculate_file_size_NSViewController::show_no_estimate()
{
    wj_load->hide();
    info_textfield->setText(tr("无法估算"));
}

uint64_t Calculate_file_size_NSViewController::get_file_size(const QUrl& url)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(std::filesystem::path(QFile::encodeName(url.toLocalFile()).toStdString()), error);
    if (error) {
        logLine(QStringLiteral("FileAttribute error: ") + QString::fromStdString(error.message()));
        return 0;
    }
    return uint64_t(size);
}
