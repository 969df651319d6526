#include "server/WinSrvrCore.h"

#include <QFile>
#include <QMutexLocker>

#include <chrono>

#include "server/ResidentHost.h"
#include "store/CtrlFile.h"
#include "store/SerialName.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {
constexpr int kMissLimit = 10;
constexpr int kAccessLogLines = 1000;

int HexDigit(QChar c) {
    if (c >= u'0' && c <= u'9') return c.unicode() - u'0';
    if (c >= u'A' && c <= u'F') return c.unicode() - u'A' + 10;
    return -1;
}
}  // namespace

WinSrvrCore::WinSrvrCore(CtrlFile& ctrl, ResidentHost& host) : ctrl_(ctrl), host_(host) {}

WinSrvrCore::~WinSrvrCore() {
    Stop();
}

void WinSrvrCore::SetMessage(const QString& text) {
    {
        QMutexLocker lock(&field_mutex_);
        if (field_ == text) return;
        field_ = text;
    }
    // A new text gets its first poll now; the second follows one interval later.
    if (!text.isEmpty()) Wake();
}

void WinSrvrCore::Wake() {
    std::lock_guard lock(wake_mutex_);
    wake_ = true;
    wake_cv_.notify_all();
}

QString WinSrvrCore::Message() const {
    QMutexLocker lock(&field_mutex_);
    return field_;
}

QString WinSrvrCore::EncMes(const QString& text) {
    if (!text.startsWith(u'%')) return text;
    const QStringList pieces = text.split(u'%');
    QByteArray bytes;
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const QString& p = pieces.at(i);
        const int hi = p.size() >= 2 ? HexDigit(p.at(0)) : -1;
        const int lo = p.size() >= 2 ? HexDigit(p.at(1)) : -1;
        if (hi < 0 || lo < 0) {
            ctrl_.SaveErrLog(QStringLiteral("W_Srvr Decode Err : bad escape %") + p.left(2));
            return QString();
        }
        bytes.append(char(hi * 16 + lo));
    }
    return DecodeText(bytes);
}

void WinSrvrCore::InitGetMes() {
    {
        QMutexLocker lock(&field_mutex_);
        field_.clear();
    }
    // A new text must again stay unchanged for one poll before it runs.
    last_text_.clear();
    host_.SetServerVisible(show_flag_.load());
    if (host_.HasMainWindow()) host_.FocusUrlField();
}

void WinSrvrCore::GetMes() {
    const QString text = Message();
    if (text.isEmpty()) return;
    if (text != last_text_) {
        last_text_ = text;
        return;
    }
    QString decoded = EncMes(text);
    if (decoded.isNull() || !decoded.startsWith(kPrefix) || decoded.size() <= kPrefix.size()) {
        if (++miss_count_ >= kMissLimit) {
            miss_count_ = 0;
            InitGetMes();
        }
        return;
    }
    decoded.replace(QStringLiteral("&|&"), QStringLiteral("\n"));
    {
        QMutexLocker lock(&field_mutex_);
        field_ = decoded;
    }
    decoded.remove(u'\r');
    RunLines(decoded.split(u'\n'));
    InitGetMes();
}

void WinSrvrCore::RunLines(QStringList lines) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        if (line.isEmpty()) continue;
        const QString command = line.mid(kPrefix.size());
        if (command.startsWith(QStringLiteral("ReadMes "))) {
            LogAccess(command);
            const QString data = ctrl_.LoadData(command.mid(8));
            if (!data.isEmpty()) {
                QStringList read = data.split(u'\n');
                lines = read;
                i = -1;
            }
            continue;
        }
        LogAccess(command);
        if (!RunCommand(command)) InitGetMes();
    }
}

bool WinSrvrCore::RunCommand(const QString& command) {
    static const QString kStart = QStringLiteral("StartKorvi");
    static const QString kBuilding = QStringLiteral("  メイン・ウィンドウ構築中...");
    if (command == kStart || command.startsWith(kStart + u' ')) {
        const QString arg = command == kStart ? QString() : command.mid(kStart.size() + 1);
        if (host_.HasMainWindow()) {
            host_.AppendToInitList(arg);
        } else {
            host_.SetTitleProgress(kBuilding);
            host_.BuildMainWindow(arg);
            host_.SetTitleProgress(QString());
        }
        return true;
    }
    if (command == QStringLiteral("EndKorvi")) {
        if (host_.HasMainWindow()) InitGetMes();
        return true;
    }
    if (command == QStringLiteral("GetLinkList")) {
        host_.SetTitleProgress(QStringLiteral("  リンク・リスト収集初期化..."));
        const QString list = QStringLiteral("tmp_stock.dat");
        const QString target =
            GetSerialNoFName(ctrl_.Home(), ctrl_.LogRoot() + QStringLiteral("/stock/dat.ini"));
        host_.SetTitleProgress(QStringLiteral("  リンク・リスト保存中..."));
        if (!target.isEmpty()) {
            ctrl_.SetEnableDir(target);
            host_.SaveLinkList(list, target);
        }
        QFile::remove(ctrl_.Abs(list));
        host_.SetTitleProgress(QString());
        return true;
    }
    if (command.startsWith(QStringLiteral("KorviSetWord "))) {
        host_.SetSearchWord(command.mid(13));
        return true;
    }
    if (command == QStringLiteral("KorviStartDl&Search")) {
        host_.StartDlSearch();
        return true;
    }
    if (command == QStringLiteral("ExitServer")) {
        running_.store(false);
        host_.Exit();
        return true;
    }
    if (command == QStringLiteral("ShowServer")) {
        show_flag_.store(true);
        return true;
    }
    if (command == QStringLiteral("HideServer")) {
        show_flag_.store(false);
        return true;
    }
    return false;
}

void WinSrvrCore::LogAccess(const QString& command) {
    const QString line = ctrl_.GetTimeStr() + QStringLiteral("  ") + command + u'\n';
    {
        QMutexLocker lock(&log_mutex_);
        access_log_.append(line);
        if (access_log_.size() > kAccessLogLines) access_log_.removeFirst();
    }
    ctrl_.SetEnableDir(QStringLiteral("log_err/srvr_log.txt"));
    ctrl_.SaveAddData(QStringLiteral("log_err/srvr_log.txt"), line);
}

QStringList WinSrvrCore::AccessLog() const {
    QMutexLocker lock(&log_mutex_);
    return access_log_;
}

void WinSrvrCore::Start(int intervalMs) {
    if (running_.exchange(true)) return;
    if (thread_.joinable()) thread_.join();
    thread_ = std::thread([this, intervalMs] { Loop(intervalMs); });
}

void WinSrvrCore::Stop() {
    running_.store(false);
    Wake();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void WinSrvrCore::Loop(int intervalMs) {
    while (running_.load()) {
        {
            std::unique_lock lock(wake_mutex_);
            wake_cv_.wait_for(lock, std::chrono::milliseconds(intervalMs),
                              [this] { return wake_; });
            wake_ = false;
        }
        if (!running_.load()) break;
        GetMes();
        if (schedule_check_) schedule_check_();
        if (url_mount_check_) url_mount_check_();
    }
}

}  // namespace korvi
