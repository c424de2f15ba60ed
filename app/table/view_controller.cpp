#include "app/table/view_controller.h"

#include <QGraphicsOpacityEffect>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "app/settings/audio_setup_view_controller.h"
#include "app/settings/only_audio_setup_view_controller.h"
#include "app/settings/setup_ns_view_controller.h"
#include "app/settings/setup_setup_view_controller.h"
#include "app/settings/video_setup_view_controller.h"
#include "app/table/add_order.h"
#include "app/table/custom_cell.h"
#include "app/table/delegate_bridge.h"
#include "app/table/drop_hint.h"
#include "app/table/items_model.h"
#include "app/table/open_file_panel.h"
#include "app/table/status_text.h"
#include "engine/one_exporter.h"
#include "engine/run_task_obj.h"
#include "platform/media/identifiers.h"

ViewController::ViewController(QWidget* parent)
    : QWidget(parent), open_panel(std::make_unique<FileAndFolderPanel>())
{
    sleep_delegate = std::make_shared<DelegateBridge>(
        this, [this](float progress) { export_progress(progress); },
        [this](const QUrl& url) { export_finished(url); });

    auto* layout = new QVBoxLayout(this);
    draggableview = new DraggableView(this);
    auto* drop_layout = new QVBoxLayout(draggableview);
    drop_layout->setContentsMargins(0, 0, 0, 0);
    tableView = new QTableView(draggableview);
    items_model = new ItemsModel(my_image, this);
    tableView->setModel(items_model);
    add_order = std::make_unique<AddOrder>([this](const AddOrder::Rows& rows) { items_model->append(rows); });
    tableView->setItemDelegate(new CustomCell(tableView));
    tableView->horizontalHeader()->setStretchLastSection(true);
    tableView->horizontalHeader()->hide();
    tableView->verticalHeader()->hide();
    tableView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableView->verticalHeader()->setDefaultSectionSize(CustomCell::kRowHeight);
    tableView->setShowGrid(false);
    tableView->setWordWrap(false);
    tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    tableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tableView->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // The cell draws the selection itself (MyNSTableRowView); the style's own stays invisible.
    QPalette table_palette = tableView->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        table_palette.setColor(group, QPalette::Highlight, Qt::transparent);
    tableView->setPalette(table_palette);
    drop_layout->addWidget(tableView);
    layout->addWidget(draggableview, 1);

    drag_imagebutton = new DropHint(tableView->viewport());

    auto* bottom = new QHBoxLayout;
    add_button = new QPushButton(tr("添加文件…"), this);
    del_button = new QPushButton(tr("删除"), this);
    wj_load = new QProgressBar(this);
    wj_load->setRange(0, 0);
    wj_load->setMaximumWidth(80);
    wj_load->setTextVisible(false);
    info_out_textfield = new QLabel(this);
    bottom->addWidget(add_button);
    bottom->addWidget(del_button);
    bottom->addWidget(wj_load);
    bottom->addStretch();
    bottom->addWidget(info_out_textfield);
    layout->addLayout(bottom);

    connect(add_button, &QPushButton::clicked, this, [this] { add_cl(); });
    connect(del_button, &QPushButton::clicked, this, [this] { del_cl(); });
    auto* delete_key = new QShortcut(QKeySequence::Delete, tableView, nullptr, nullptr, Qt::WidgetShortcut);
    connect(delete_key, &QShortcut::activated, this, [this] { del_cl(); });
    install_row_menu();

    connect(items_model, &ItemsModel::items_changed, this, [this] {
        const int position = std::max(0, items_model->index_of(run_task_obj.get()));
        const qsizetype count = items_model->items().size();
        dispatch::Queue::main().async([self = QPointer<ViewController>(this), position, count] {
            if (self)
                self->update_info_out_label(position, count);
        });
    });
}

ViewController::~ViewController() = default;

const QList<std::shared_ptr<Run_task_obj>>& ViewController::items() const { return items_model->items(); }

void ViewController::viewDidLoad()
{
    auto* opacity = new QGraphicsOpacityEffect(drag_imagebutton);
    opacity->setOpacity(0.3);
    drag_imagebutton->setGraphicsEffect(opacity);
    wj_load->hide();
    info_out_textfield->setText(QString());
    draggableview->dadodi_Delegate = this;
    find_panes();
    if (setup_vc)
        setup_vc->list_ViewController_Delegate = this;
    my_Prest = default_prest();
}

void ViewController::find_panes()
{
    QWidget* split = parentWidget();
    if (!split)
        return;
    for (QObject* child : split->children()) {
        auto* column = qobject_cast<Setup_NSViewController*>(child);
        if (!column)
            continue;
        setup_vc = column;
        for (QTabWidget* tabs : column->findChildren<QTabWidget*>()) {
            for (int i = 0; i < tabs->count(); ++i) {
                QWidget* pane = tabs->widget(i);
                if (auto* p = qobject_cast<Audio_setup_ViewController*>(pane))
                    audio_setup_vc = p;
                else if (auto* p = qobject_cast<Video_setup_ViewController*>(pane))
                    video_setup_vc = p;
                else if (auto* p = qobject_cast<Setup_setup_ViewController*>(pane))
                    setup_setup_vc = p;
                else if (auto* p = qobject_cast<Only_Audio_setup_ViewController*>(pane))
                    only_audio_setup_vc = p;
            }
        }
    }
}

My_Prest ViewController::default_prest()
{
    My_Prest p;
    p.name = QStringLiteral("mp4_ACC");
    p.fileType = AVFileTypeMPEG4;
    p.set_size(4096, 2160);
    p.video_outputSettings.insert(AVVideoCodecKey, QString(AVVideoCodecTypeH264));
    p.video_outputSettings.insert(AVVideoScalingModeKey, QString(AVVideoScalingModeResizeAspectFill));
    p.video_outputSettings.insert(AVVideoCompressionPropertiesKey,
                                  QVariantMap{{AVVideoAverageBitRateKey, 6378000}});
    p.audio_outputSettings.insert(AVFormatIDKey, uint(kAudioFormatMPEG4AAC));
    p.audio_outputSettings.insert(AVEncoderBitRateKey, 129000);
    p.audio_outputSettings.insert(AVNumberOfChannelsKey, 2);
    p.audio_outputSettings.insert(AVSampleRateKey, 48000.0f);
    p.is_run_ffmpeg = false;
    return p;
}

std::pair<QString, std::optional<QImage>> ViewController::get_state_text_icon(int status, const Run_task_obj& row) const
{
    if (!row.out_Ex)
        return {QString(), std::nullopt};
    return state_text_icon(status, *row.out_Ex, my_image);
}

void ViewController::update_info_out_label(int position, qsizetype count)
{
    info_out_textfield->setText(QStringLiteral("%1/%2").arg(position + 1).arg(count));
    drag_imagebutton->setVisible(count == 0);
}
