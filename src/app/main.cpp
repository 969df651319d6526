#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

#include <cstdio>
#include <cstring>

#include "KorviVersion.h"
#include "platform/IpcEndpoint.h"
#include "server/WinSrvrCore.h"
#include "shell/Clock.h"
#include "shell/CommonSettings.h"
#include "shell/Context.h"
#include "shell/HomeFolder.h"
#include "shell/RunId.h"
#include "store/DocOpen.h"
#include "ui/common/Dialogs.h"
#include "ui/common/GuiContext.h"
#include "ui/common/GuiStyle.h"
#include "ui/common/QtTranslations.h"
#include "ui/server/WinSrvr.h"

using namespace korvi;

namespace {

// The text for the message field from the first argument: "StartKorvi",
// "StartKorvi " + argument, or nothing for "start".
QString StartMessage(const QString& param) {
    if (param == QStringLiteral("start")) return QString();
    if (param.isEmpty()) return WinSrvrCore::kPrefix + QStringLiteral("StartKorvi");
    return WinSrvrCore::kPrefix + QStringLiteral("StartKorvi ") + param;
}

constexpr const char* kHelp =
    "usage: korvi [--home DIR] [start | LIST | URL]\n"
    "       korvi --version\n"
    "\n"
    "Opens Korvi's main window; with a list file or URL, with that list; with\n"
    "\"start\", only the resident window. A Korvi already running for the same\n"
    "home takes the request instead.\n"
    "\n"
    "  --home DIR     the home folder (default: $KORVI_HOME, then\n"
    "                 $XDG_DATA_HOME/korvi)\n"
    "  -h, --help     this help\n"
    "  -V, --version  the version\n"
    "\n"
    "The command line without windows is korvi-run(1).\n";

// --help and --version print and end before any window or hand-off.
bool PrintOnly(int argc, char** argv, int* code) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            *code = 0;
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-V") == 0) {
            std::fputs("korvi " KORVI_VERSION "\n", stdout);
            *code = 0;
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (int code = 0; PrintOnly(argc, argv, &code)) return code;
    // The hand-off to a running instance needs no GUI: a core application is
    // enough and starts much faster than the GUI one.
    QString home;
    QString message;
    QString exeDir;
    {
        QCoreApplication core(argc, argv);
        // --home DIR, then the start parameter.
        QStringList args = core.arguments().mid(1);
        QString homeArg;
        const qsizetype h = args.indexOf(QStringLiteral("--home"));
        if (h >= 0 && h + 1 < args.size()) {
            homeArg = args[h + 1];
            args.remove(h, 2);
        }
        QString param = args.value(0);
        // A list file named relative to the caller's folder; URLs stay as written.
        if (!param.isEmpty() && param != QStringLiteral("start") && QFileInfo::exists(param))
            param = QFileInfo(param).absoluteFilePath();
        exeDir = QCoreApplication::applicationDirPath();
        home = HomeFolder::Resolve(homeArg, exeDir);
        message = StartMessage(param);
        // A running instance for this home takes the request.
        const QString handed =
            message.isEmpty() ? WinSrvrCore::kPrefix + QStringLiteral("ShowServer") : message;
        if (SendToInstance(IpcName(home), handed, 2000)) return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvi"));
    QApplication::setQuitOnLastWindowClosed(false);
    // Qt's own texts in Japanese like ours; English Qt texts stay when the file is missing.
    if (!ui::InstallQtTranslations(app))
        std::fprintf(stderr, "korvi: Qt's Japanese translations (qtbase_ja.qm) not found\n");
    QString error;
    if (!HomeFolder::Prepare(home, HomeFolder::ShippedData(exeDir), &error)) {
        std::fprintf(stderr, "korvi: %s\n", qPrintable(error));
        return 1;
    }
    QDir::setCurrent(home);

    ui::ApplyGuiStyle(app);
    SystemClock clock;
    Context ctx(home, clock);
    ctx.Ctrl().SetRunId(InitSrchStartID(clock));
    const QScreen* screen = QGuiApplication::primaryScreen();
    ctx.Cmn().Read(screen ? screen->availableGeometry().size() : QSize());
    ctx.Ctrl().SetLogRoot(ctx.Cmn().Opt().log_folder);
    ctx.Index().SetEnabled(true);
    ctx.Index().SetWatching(true);
    QtDialogs dialogs;
    GuiContext gui{ctx, dialogs, DefaultDocOpener(), {}};
    gui.openLater = DefaultDocOpenerLater();
    WinSrvr server(gui);
    gui.progress = [&server](const QString& p) { server.SetTitleProgress(p); };
    if (!server.Start(message, &error)) {
        std::fprintf(stderr, "korvi: %s\n", qPrintable(error));
        return 1;
    }
    server.show();
    return app.exec();
}
