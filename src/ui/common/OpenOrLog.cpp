#include "ui/common/OpenOrLog.h"

#include <QPointer>
#include <QWidget>

#include <memory>

#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"

namespace korvi {

const QString kOpenFailTitle = QStringLiteral("開く操作のエラー");

QString OpenFailText(const QString& target) {
    return QStringLiteral("次のファイルまたはURLを開けませんでした。\n\n") + target +
           QStringLiteral(
               "\n\n開くためのプログラムが見つからないか、開くのに失敗しました。\n"
               "xdg-utils（xdg-open）とWebブラウザをインストールするか、"
               "環境変数 KORVI_OPENER に開くためのコマンドを設定して下さい。");
}

namespace {

// Tells the user; a parent closed meanwhile leaves the message without one.
void Tell(GuiContext& gui, const QPointer<QWidget>& parent, const QString& target,
          const std::function<void()>& fallback) {
    if (fallback)
        fallback();
    else
        gui.dlg.Message(parent.data(), kOpenFailTitle, OpenFailText(target));
}

// Starts the opener; failed runs with the reason once the failure is known.
// False when it is known at once.
bool Start(GuiContext& gui, const QString& target,
           const std::function<void(const QString& why)>& failed) {
    if (target.isEmpty()) {
        failed(QStringLiteral("nothing to open"));
        return false;
    }
    if (gui.openLater) {
        gui.openLater(target, [failed](bool ok, const QString& why) {
            if (!ok) failed(why);
        });
        return true;
    }
    if (gui.open && gui.open(target)) return true;
    failed(gui.open ? QStringLiteral("failed") : QStringLiteral("no opener"));
    return false;
}

}  // namespace

bool OpenOrLog(GuiContext& gui, QWidget* parent, const QString& target, const QString& logLine,
               std::function<void()> fallback) {
    AssertGuiThread("OpenOrLog");
    const QPointer<QWidget> guard(parent);
    return Start(gui, target, [&gui, guard, target, logLine, fallback](const QString&) {
        gui.ctx.Ctrl().SaveErrLog(logLine);
        Tell(gui, guard, target, fallback);
    });
}

DocOpenFn UserOpener(GuiContext& gui, QWidget* parent, const QString& lateLogPrefix) {
    const QPointer<QWidget> guard(parent);
    return [&gui, guard, lateLogPrefix](const QString& target) {
        AssertGuiThread("UserOpener");
        auto atOnce = std::make_shared<bool>(true);
        const bool started =
            Start(gui, target, [&gui, guard, target, lateLogPrefix, atOnce](const QString&) {
                // The caller logs a failure it hears of at once.
                if (!*atOnce) gui.ctx.Ctrl().SaveErrLog(lateLogPrefix + target);
                Tell(gui, guard, target, {});
            });
        *atOnce = false;
        return started;
    };
}

}  // namespace korvi
