#include "ui/common/ThemeApply.h"

#include <QApplication>
#include <QFile>
#include <QStyle>
#include <QStyleFactory>

#include "present/PropMetal.h"
#include "present/ThemeFiles.h"
#include "shell/Context.h"
#include "ui/common/GuiStyle.h"
#include "ui/common/ThemePalette.h"

namespace korvi {

bool ApplyTheme(Context& ctx, const QString& logPrefix) {
    CtrlFile& ctrl = ctx.Ctrl();
    PropMetal theme;
    bool read = false;
    QFile f(ctrl.Abs(ThemeFiles::kActive));
    if (f.open(QIODevice::ReadOnly)) {
        theme.loadProperties(f.readAll());
        read = true;
    } else {
        ctrl.SaveErrLog(logPrefix + QStringLiteral("Read Theme Err : ") + f.errorString() + u' ' +
                        ThemeFiles::kActive);
    }

    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app) {
        ctrl.SaveErrLog(logPrefix + QStringLiteral("Could Not Load LookAndFeel : ") +
                        QStringLiteral("no application"));
        return false;
    }
    if (!ui::IsGuiStyle(app->style())) {
        QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"));
        if (!fusion) {
            ctrl.SaveErrLog(logPrefix + QStringLiteral("Could Not Load LookAndFeel : ") +
                            QStringLiteral("style Fusion is not available"));
            return false;
        }
        delete fusion;
        app->setStyle(ui::MakeGuiStyle());
    }
    // Unset colours (all of them when the file could not be read) come from
    // the style's own palette.
    app->setPalette(ThemePalette(theme, app->style()->standardPalette()));
    return read;
}

}  // namespace korvi
