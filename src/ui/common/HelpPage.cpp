#include "ui/common/HelpPage.h"

#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include "shell/Context.h"
#include "store/CtrlFile.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/OpenOrLog.h"

namespace korvi {

namespace {

const QString kHelpTitle = QStringLiteral("ヘルプ");

// The page in a text browser; links to other local pages follow, other
// links only show their address.
QWidget* HelpWindow(QWidget* parent, const QUrl& page) {
    QWidget* win =
        parent ? parent->findChild<QWidget*>(QStringLiteral("WinHelp"), Qt::FindDirectChildrenOnly)
               : nullptr;
    if (!win) {
        win = new QWidget(parent, Qt::Window);
        win->setObjectName(QStringLiteral("WinHelp"));
        win->setAttribute(Qt::WA_DeleteOnClose);
        win->setWindowTitle(kHelpTitle);
        auto* lay = new QVBoxLayout(win);
        auto* note = new QLabel(win);
        note->setObjectName(QStringLiteral("help_note"));
        note->setWordWrap(true);
        note->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* view = new QTextBrowser(win);
        view->setObjectName(QStringLiteral("help_view"));
        view->setOpenLinks(false);
        QObject::connect(view, &QTextBrowser::anchorClicked, win, [view, note](const QUrl& url) {
            const QUrl abs = view->source().resolved(url);
            if (abs.isLocalFile() && QFileInfo(abs.toLocalFile()).isFile()) {
                view->setSource(abs);
            } else {
                note->setText(QStringLiteral("このリンクはブラウザで開いて下さい: ") +
                              abs.toString());
            }
        });
        lay->addWidget(view, 1);
        lay->addWidget(note);
        win->resize(720, 560);
    }
    auto* view = win->findChild<QTextBrowser*>(QStringLiteral("help_view"));
    auto* note = win->findChild<QLabel*>(QStringLiteral("help_note"));
    view->setSource(page);
    note->setText(QStringLiteral("ブラウザで開けなかったため、ここに表示しています。"
                                 "ブラウザで読むには xdg-utils とWebブラウザをインストールするか、"
                                 "環境変数 KORVI_OPENER を設定して下さい。\n") +
                  page.toLocalFile());
    win->show();
    win->raise();
    win->activateWindow();
    return win;
}

}  // namespace

void OpenHelpPage(GuiContext& gui, QWidget* parent, const QString& file, const QString& anchor,
                  const QString& logLine) {
    QUrl url = QUrl::fromLocalFile(file);
    if (anchor.size() > 1) url.setFragment(anchor.mid(anchor.startsWith(u'#') ? 1 : 0));
    if (!QFileInfo(file).isFile()) {
        gui.ctx.Ctrl().SaveErrLog(logLine);
        gui.dlg.Message(parent, QStringLiteral("ヘルプ・エラー"),
                        QStringLiteral("ヘルプのページが見つかりませんでした。\n\n") + file);
        return;
    }
    const QPointer<QWidget> guard(parent);
    OpenOrLog(gui, parent, url.toString(), logLine, [guard, url] {
        // Without a parent (closed meanwhile) the page still shows.
        HelpWindow(guard.data(), url);
    });
}

void OpenHelp(GuiContext& gui, QWidget* parent, const QString& page) {
    const QString path = gui.ctx.Ctrl().Abs(QStringLiteral("doc/")) + page;
    const QString anchor = page.contains(u'#') ? u'#' + page.section(u'#', 1) : QString();
    OpenHelpPage(gui, parent, path.section(u'#', 0, 0), anchor,
                 QStringLiteral("Help Button Error : ") + path);
}

}  // namespace korvi
