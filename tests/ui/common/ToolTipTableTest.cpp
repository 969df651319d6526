#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QSet>
#include <QTabBar>
#include <QWidget>

#include <gtest/gtest.h>

#include "UiTestKit.h"
#include "ui/common/RepTarget.h"
#include "ui/common/ToolTipTable.h"
#include "ui/engine/DlgRep.h"
#include "ui/guide/WinGuide.h"
#include "ui/server/WinSrvr.h"
#include "ui/shell/Korvi.h"
#include "ui/shell/WinOpt.h"

namespace korvi::test {
namespace {

// An empty list for the replace dialog.
class NoRows : public RepTarget {
public:
    int RepRowCount() const override { return 0; }
    QStringList RepRowTexts(int) const override { return {}; }
    void SetRepRowTexts(int, const QStringList&) override {}
    std::vector<int> RepSelectedRows() const override { return {}; }
    int RepCurrentRow() const override { return -1; }
    void RepSelectRow(int) override {}
};

// Panels with no rows: their controls are explained by the labels beside them.
const QSet<QString> kPanelsWithoutTips = {QStringLiteral("WinOptLogF"),
                                          QStringLiteral("WinOptLogCtrl")};

// Named user controls without a row ("panel/control").
const QSet<QString> kUntipped = {
    // Result lists: each cell carries its own tip from the model.
    QStringLiteral("WinSrch/srch_tbl"), QStringLiteral("WinLogSrch/srch_tbl"),
    QStringLiteral("WinLogAnls/anls_tbl"),
    // Edited cell by cell through their own editors.
    QStringLiteral("KorviSchd/schd_tbl"),
    // The fields beside the check boxes that carry the tip.
    QStringLiteral("WinOptLogDel/txt_log_day"), QStringLiteral("WinOptLogDel/txt_log_size"),
    QStringLiteral("WinOptLogDel/txt_log_no"),
    // No row yet (adding one changes what the user sees); the menu items show
    // their caption.
    QStringLiteral("WinOptLogDel/btn_save"), QStringLiteral("WinLogSrch/ctr_btn_stop"),
    QStringLiteral("WinLogSrch/ctr_btn_open"), QStringLiteral("WinLogSrch/h_light_cb"),
    QStringLiteral("WinLogSrch/siz_r_all"), QStringLiteral("WinLogSrch/tag_btn_url_open"),
    QStringLiteral("WinLogAnls/flt_txt"), QStringLiteral("Korvi/mni_info"),
    QStringLiteral("Korvi/mni_ref_open"), QStringLiteral("Korvi/mni_url_open")};

// Every window that shows tool tips, with each category of the options.
struct Windows {
    GuiHome home;
    WinSrvr server{home.Gui()};
    Korvi main{home.Gui()};
    WinOpt opt{home.Gui()};
    std::unique_ptr<WinGuide> guide;
    NoRows rows;
    std::unique_ptr<DlgRep> rep;
    QSet<QString> panels;

    Windows() {
        main.InitKorvi(QStringLiteral(""), false);
        guide = std::make_unique<WinGuide>(home.Gui(), main);
        rep = std::make_unique<DlgRep>(home.Gui(), rows, DlgRep::Mode::kReplace);
        for (const auto& [panel, control] : ToolTipRows()) panels.insert(panel);
        panels += kPanelsWithoutTips;
    }

    QList<QObject*> Roots() { return {&server, &main, &opt, guide.get(), rep.get()}; }
    // Each root and everything below it.
    QList<QObject*> All() {
        QList<QObject*> all;
        for (QObject* root : Roots()) {
            all.append(root);
            all += root->findChildren<QObject*>();
        }
        return all;
    }
    // The panel a control belongs to: its nearest ancestor named as a panel.
    QString PanelOf(const QObject* o) const {
        for (const QObject* p = o->parent(); p; p = p->parent())
            if (panels.contains(p->objectName())) return p->objectName();
        return QString();
    }
};

bool IsUserControl(const QObject* o) {
    return qobject_cast<const QAbstractButton*>(o) || qobject_cast<const QLineEdit*>(o) ||
           qobject_cast<const QComboBox*>(o) || qobject_cast<const QAbstractSpinBox*>(o) ||
           qobject_cast<const QAbstractItemView*>(o) || qobject_cast<const QAction*>(o);
}

// A menu's tip is its menu action's.
QString TipOf(const QObject* o) {
    if (auto* m = qobject_cast<const QMenu*>(o)) return m->menuAction()->toolTip();
    if (auto* w = qobject_cast<const QWidget*>(o)) return w->toolTip();
    if (auto* a = qobject_cast<const QAction*>(o)) return a->toolTip();
    return QString();
}

// Each row names a control of its panel that shows the row's text, and each
// named user control of a panel shows its row's text.
TEST(ToolTipTable, RowsAndNamedControlsMatch) {
    Windows w;
    QHash<QString, QList<QObject*>> byKey;  // "panel/control"
    for (QObject* o : w.All()) {
        if (o->objectName().isEmpty()) continue;
        const QString panel = w.PanelOf(o);
        if (!panel.isEmpty()) byKey[panel + u'/' + o->objectName()].append(o);
    }

    for (const auto& [panel, control] : ToolTipRows()) {
        const QString key = panel + u'/' + control;
        const QList<QObject*> found = byKey.value(key);
        EXPECT_FALSE(found.isEmpty()) << "no control for row " << key.toStdString();
        for (const QObject* o : found)
            EXPECT_EQ(TipOf(o).toStdString(), ToolTipFor(panel, control).toStdString())
                << key.toStdString();
    }

    int controls = 0;
    QSet<QString> untipped;
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it) {
        const QString& key = it.key();
        for (const QObject* o : it.value()) {
            const QString panel = w.PanelOf(o);
            if (!IsUserControl(o) || kPanelsWithoutTips.contains(panel)) continue;
            // Qt's own parts (spin-box fields, the tab bar's scroll arrows) and
            // the guide's buttons made from the user's profiles, which carry
            // their own text.
            if (o->objectName().startsWith(QStringLiteral("qt_"))) continue;
            if (qobject_cast<const QTabBar*>(o->parent())) continue;
            if (o->objectName().startsWith(QStringLiteral("user_btn_"))) continue;
            if (kUntipped.contains(key)) {
                untipped.insert(key);
                continue;
            }
            ++controls;
            const QString tip = ToolTipFor(panel, o->objectName());
            EXPECT_FALSE(tip.isEmpty()) << "no row for " << key.toStdString();
            EXPECT_EQ(TipOf(o).toStdString(), tip.toStdString()) << key.toStdString();
        }
    }
    EXPECT_GT(controls, 200);
    // Each exception still names a live control that has no row.
    EXPECT_EQ(untipped, kUntipped);
    for (const QString& key : kUntipped) {
        const QString panel = key.section(u'/', 0, 0);
        EXPECT_TRUE(ToolTipFor(panel, key.section(u'/', 1)).isEmpty()) << key.toStdString();
    }
}

}  // namespace
}  // namespace korvi::test
