#include "ui/engine/WinOptIndv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "shell/Context.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/ToolTipTable.h"
#include "ui_WinOptIndv.h"

namespace korvi {

namespace {

// The five region boxes of a Target or CrsTarget group, in file order.
struct RegionBox {
    const char16_t* key;
    const char16_t* caption;
    int row;
    int column;
};

const RegionBox kRegionBoxes[] = {
    {u"all", u"全て", 0, 0},
    {u"domain_out", u"ドメイン外", 1, 0},
    {u"domain_in", u"ドメイン内", 1, 1},
    {u"directory_out", u"ディレクトリ外", 2, 0},
    {u"directory_in", u"ディレクトリ内", 2, 1},
};

void BuildRegionBoxes(QGroupBox* group) {
    auto* grid = qobject_cast<QGridLayout*>(group->layout());
    for (const RegionBox& b : kRegionBoxes) {
        auto* cb = new QCheckBox(QString::fromUtf16(b.caption), group);
        cb->setObjectName(QString::fromUtf16(b.key));
        grid->addWidget(cb, b.row, b.column);
    }
}

QCheckBox* Box(QGroupBox* group, const char16_t* key) {
    return group->findChild<QCheckBox*>(QString::fromUtf16(key));
}

void SetBoxes(QGroupBox* group, const RegionBoxes& r) {
    Box(group, u"all")->setChecked(r.all);
    Box(group, u"domain_out")->setChecked(r.domain_out);
    Box(group, u"domain_in")->setChecked(r.domain_in);
    Box(group, u"directory_out")->setChecked(r.directory_out);
    Box(group, u"directory_in")->setChecked(r.directory_in);
}

RegionBoxes GetBoxes(QGroupBox* group) {
    RegionBoxes r;
    r.all = Box(group, u"all")->isChecked();
    r.domain_out = Box(group, u"domain_out")->isChecked();
    r.domain_in = Box(group, u"domain_in")->isChecked();
    r.directory_out = Box(group, u"directory_out")->isChecked();
    r.directory_in = Box(group, u"directory_in")->isChecked();
    return r;
}

// Choice lists hold their index as item data. A value the list does not
// offer gets an item of its own so that a save writes it back unchanged.
void SetChoice(QComboBox* combo, int value) {
    const char* kBaseCount = "base_count";
    if (!combo->property(kBaseCount).isValid()) {
        combo->setProperty(kBaseCount, combo->count());
        for (int i = 0; i < combo->count(); ++i) combo->setItemData(i, i);
    }
    const int base = combo->property(kBaseCount).toInt();
    while (combo->count() > base) combo->removeItem(combo->count() - 1);
    int at = combo->findData(value);
    if (at < 0) {
        combo->addItem(QString::number(value), value);
        at = combo->count() - 1;
    }
    combo->setCurrentIndex(at);
}

int Choice(const QComboBox* combo) {
    const QVariant v = combo->currentData();
    return v.isValid() ? v.toInt() : combo->currentIndex();
}

// Spin boxes cannot show every int; values beyond their range are widened to.
void SetSpin(QSpinBox* spin, int value) {
    if (value > spin->maximum()) spin->setMaximum(value);
    if (value < spin->minimum()) spin->setMinimum(value);
    spin->setValue(value);
}

}  // namespace

WinOptIndv::WinOptIndv(GuiContext& gui, QWidget* parent)
    : QWidget(parent), gui_(gui), ui_(std::make_unique<Ui::WinOptIndvForm>()) {
    setObjectName(QStringLiteral("WinOptIndv"));
    ui_->setupUi(this);
    BuildRegionBoxes(ui_->Target);
    BuildRegionBoxes(ui_->CrsTarget);
    InitToolTip(this);
    SetValues(DlSrchOpt());

    connect(ui_->btn_save, &QPushButton::clicked, this, [this] { Save(); });
    connect(ui_->btn_avoid_list, &QPushButton::clicked, this, [this] {
        BrowseFile(QStringLiteral("avoid_dl_file_list"),
                   QStringLiteral("DL対象外URL文字列リストの選択"));
    });
    connect(ui_->btn_overwrite_list, &QPushButton::clicked, this, [this] {
        BrowseFile(QStringLiteral("overwrite_dl_file_list"),
                   QStringLiteral("DL上書きURL文字列リストの選択"));
    });
    connect(ui_->btn_guide_pic, &QPushButton::clicked, this, [this] {
        BrowseFile(QStringLiteral("guide_pic"), QStringLiteral("ガイドのボタン画像の選択"));
    });
}

WinOptIndv::~WinOptIndv() = default;

void WinOptIndv::LoadProfile(const QString& name) {
    loaded_ = name;
    ui_->txt_opt_name->setText(name);
    DlSrchOpt opt;
    if (IsValidOptName(name)) {
        const OptResult r = ApplyOptUncommon(gui_.ctx.Ctrl(), OptPath(name), opt);
        for (const OptMessage& m : r.messages) gui_.dlg.Message(this, m.title, m.text);
    }
    SetValues(opt);
}

void WinOptIndv::SetValues(const DlSrchOpt& o) {
    SetSpin(ui_->depth_max, o.depth_max);
    SetSpin(ui_->hit_max, o.hit_max);
    SetSpin(ui_->page_max, o.page_max);
    SetSpin(ui_->thrd_max, o.thrd_max);

    SetBoxes(ui_->Target, o.panel.target);
    SetBoxes(ui_->CrsTarget, o.panel.crs_target);
    SetChoice(ui_->type, static_cast<int>(o.panel.filter_type));
    ui_->string->setText(o.panel.filter_string);
    ui_->start->setChecked(o.panel.filter_start);

    SetSpin(ui_->connect, o.connect);
    SetSpin(ui_->get, o.get);
    SetSpin(ui_->re_time, o.re_time);
    SetSpin(ui_->host_wait, o.host_wait);
    ui_->address->setText(o.address);
    SetSpin(ui_->port, o.port);
    ui_->user_agent->setText(o.user_agent);
    SetSpin(ui_->min, o.min);

    ui_->forced_link->setChecked(o.forced_link);
    ui_->pre_search->setChecked(o.pre_search);
    ui_->pre_get_url->setChecked(o.pre_get_url);

    ui_->stop_get_url->setChecked(o.stop_get_url);
    ui_->rest_sharp->setChecked(o.rest_sharp);
    ui_->local_link->setChecked(o.mk_local_link);
    ui_->foot_tag->setChecked(o.add_foot_tag);
    ui_->foot_tag_extension->setText(o.foot_tag_extension);
    ui_->avoid_dl_file_list->setText(o.avoid_dl_file_list);
    ui_->overwrite_dl_file_list->setText(o.overwrite_dl_file_list);
    SetChoice(ui_->overwrite_type, o.overwrite_type);
    ui_->overwrite_local_load->setChecked(o.overwrite_local_load);
    ui_->offline_link->setChecked(o.offline_link);
    ui_->robots_txt->setChecked(o.robots_txt);
    ui_->warc->setChecked(o.warc);
    SetChoice(ui_->render_js, o.render_js);
    ui_->render_keep_source->setChecked(o.render_keep_source);

    ui_->guide_pic->setText(o.guide_pic);
    SetChoice(ui_->guide_run_type, o.guide_run_type);
    ui_->guide_get_pic->setChecked(o.guide_get_pic);
    ui_->guide_get_pic_filter->setText(o.guide_get_pic_filter);
    SetSpin(ui_->guide_get_pic_size, o.guide_get_pic_size);
    ui_->guide_srch_engine->setChecked(o.guide_srch_engine);
    SetChoice(ui_->guide_srch_engine_type, o.guide_srch_engine_type);
}

DlSrchOpt WinOptIndv::Values() const {
    DlSrchOpt o;
    o.depth_max = ui_->depth_max->value();
    o.hit_max = ui_->hit_max->value();
    o.page_max = ui_->page_max->value();
    o.thrd_max = ui_->thrd_max->value();

    o.panel.target = GetBoxes(ui_->Target);
    o.panel.crs_target = GetBoxes(ui_->CrsTarget);
    switch (Choice(ui_->type)) {
        case 1:
            o.panel.filter_type = FilterMode::kIn;
            break;
        case 2:
            o.panel.filter_type = FilterMode::kOut;
            break;
        default:
            o.panel.filter_type = FilterMode::kAll;
            break;
    }
    o.panel.filter_string = ui_->string->text();
    o.panel.filter_start = ui_->start->isChecked();

    o.connect = ui_->connect->value();
    o.get = ui_->get->value();
    o.re_time = ui_->re_time->value();
    o.host_wait = ui_->host_wait->value();
    o.address = ui_->address->text();
    o.port = ui_->port->value();
    o.user_agent = ui_->user_agent->text();
    o.min = ui_->min->value();

    o.forced_link = ui_->forced_link->isChecked();
    o.pre_search = ui_->pre_search->isChecked();
    o.pre_get_url = ui_->pre_get_url->isChecked();

    o.stop_get_url = ui_->stop_get_url->isChecked();
    o.rest_sharp = ui_->rest_sharp->isChecked();
    o.mk_local_link = ui_->local_link->isChecked();
    o.add_foot_tag = ui_->foot_tag->isChecked();
    o.foot_tag_extension = ui_->foot_tag_extension->text();
    o.avoid_dl_file_list = ui_->avoid_dl_file_list->text();
    o.overwrite_dl_file_list = ui_->overwrite_dl_file_list->text();
    o.overwrite_type = Choice(ui_->overwrite_type);
    o.overwrite_local_load = ui_->overwrite_local_load->isChecked();
    o.offline_link = ui_->offline_link->isChecked();
    o.robots_txt = ui_->robots_txt->isChecked();
    o.warc = ui_->warc->isChecked();
    o.render_js = Choice(ui_->render_js);
    o.render_keep_source = ui_->render_keep_source->isChecked();

    o.guide_pic = ui_->guide_pic->text();
    o.guide_run_type = Choice(ui_->guide_run_type);
    o.guide_get_pic = ui_->guide_get_pic->isChecked();
    o.guide_get_pic_filter = ui_->guide_get_pic_filter->text();
    o.guide_get_pic_size = ui_->guide_get_pic_size->value();
    o.guide_srch_engine = ui_->guide_srch_engine->isChecked();
    o.guide_srch_engine_type = Choice(ui_->guide_srch_engine_type);
    return o;
}

bool WinOptIndv::Save() {
    const QString name = ui_->txt_opt_name->text();
    const OptResult r =
        SaveOpt(gui_.ctx.Ctrl(), name, loaded_, ui_->cb_copy->isChecked(), Values());
    for (const OptMessage& m : r.messages) gui_.dlg.Message(this, m.title, m.text);
    if (!r.ok) return false;
    loaded_ = name;
    Q_EMIT saved(name);
    return true;
}

void WinOptIndv::BrowseFile(const QString& key, const QString& title) {
    auto* field = findChild<QLineEdit*>(key);
    if (!field) return;
    const QString start = field->text().isEmpty() ? gui_.ctx.Home() : field->text();
    const QString path = gui_.dlg.OpenFile(this, title, start);
    if (!path.isEmpty()) field->setText(path);
}

}  // namespace korvi
