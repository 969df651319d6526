#include "server/HttpChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <exception>

#include "server/AccessList.h"
#include "server/HttpSrvrDir.h"
#include "server/HttpSrvrQuery.h"
#include "server/HttpSrvrSocket.h"
#include "shell/Assist.h"
#include "store/CtrlFile.h"
#include "store/TextCodec.h"

namespace korvi {

namespace {

constexpr int kBlock = 500;

const QString k200 = QStringLiteral("HTTP/1.0 200 OK");
const QString k404 = QStringLiteral("HTTP/1.0 404 NotFound");
const QString kHtml = QStringLiteral("text/html");
const QString kPage404 =
    QStringLiteral("<HTML><HEAD></HEAD><BODY><H1>Error 404 File not found.</H1></BODY></HTML>");
const QString kUnsupported =
    QStringLiteral("<HTML><HEAD></HEAD><BODY><H1>Unsupported Command</H1></BODY></HTML>");
const QString kBadQuery = QStringLiteral("<html><head></head><body>Bad Query</body></html>");
const QString kExecBadQuery = QStringLiteral("<HTML><HEAD></HEAD><BODY>Bad Query</BODY></HTML>");
const QString kIllegalName =
    QStringLiteral("<HTML><HEAD></HEAD><BODY>Out Tmplt Illegal Name</BODY></HTML>");
const QString kNoSearch =
    QStringLiteral("<HTML><HEAD></HEAD><BODY>Search Unavailable</BODY></HTML>");

bool Inside(const QString& root, const QString& canonical) {
    return !root.isEmpty() && !canonical.isEmpty() &&
           (canonical == root || canonical.startsWith(root + u'/'));
}

}  // namespace

HttpChannel::HttpChannel(HttpSrvr& srvr, int chnnlNo) : srvr_(srvr), chnnl_no_(chnnlNo) {
    thread_ = std::thread([this] { run(); });
}

HttpChannel::~HttpChannel() {
    Quit();
}

void HttpChannel::Quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool HttpChannel::StrtChnnl(int fd) {
    {
        std::lock_guard lock(mutex_);
        if (busy_ || quit_) return false;
        busy_ = true;
        fd_ = fd;
    }
    wake_.notify_all();
    return true;
}

bool HttpChannel::Busy() const {
    std::lock_guard lock(mutex_);
    return busy_;
}

QString HttpChannel::ErrPrefix() const {
    return QStringLiteral("HttpSrvr ") + QString::number(chnnl_no_);
}

QString HttpChannel::CanonicalRoot() {
    CtrlFile& ctrl = srvr_.Ctrl();
    const QString root = ctrl.Abs(ctrl.LogRoot());
    if (!QFileInfo(root).isDir()) QDir().mkpath(root);
    return QFileInfo(root).canonicalFilePath();
}

void HttpChannel::run() {
    for (;;) {
        int fd = -1;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return fd_ >= 0 || quit_; });
            if (fd_ < 0) return;
            fd = fd_;
            fd_ = -1;
        }
        try {
            HttpSrvrSocket s(fd, srvr_.StopFlag());
            root_ = CanonicalRoot();
            tables_ = srvr_.GetTables();
            seams_ = srvr_.GetSeams();
            pending_id_.clear();
            ResReq(s);
        } catch (const std::exception& e) {
            srvr_.Ctrl().SaveErrLog(QStringLiteral("HttpSrvr ResReq Error2 : ") +
                                    QString::fromLocal8Bit(e.what()));
        } catch (...) {
            srvr_.Ctrl().SaveErrLog(QStringLiteral("HttpSrvr ResReq Error2 : unknown"));
        }
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        srvr_.ChannelFreed();
    }
}

void HttpChannel::SendHeader(HttpSrvrSocket& s, const QString& status, qint64 length,
                             const QString& type) {
    QString head = status + QStringLiteral("\r\nConnection: close\r\n");
    if (length > 0)
        head +=
            QStringLiteral("Content-Length: ") + QString::number(length) + QStringLiteral("\r\n");
    if (!type.isNull()) head += QStringLiteral("Content-Type: ") + type + QStringLiteral("\r\n");
    head += QStringLiteral("\r\n");
    s.Write(head.toUtf8());
    s.Flush();
}

bool HttpChannel::SendBody(HttpSrvrSocket& s, const QString& text) {
    const QByteArray bytes = EncodeText(text);
    for (qsizetype at = 0; at < bytes.size(); at += kBlock) {
        const qsizetype n = qMin<qsizetype>(kBlock, bytes.size() - at);
        if (!s.Write(bytes.constData() + at, n)) break;
    }
    if (!s.Flush()) {
        srvr_.Ctrl().SaveErrLog(ErrPrefix() + QStringLiteral(" SendBody Error : ") + s.LastError());
        return false;
    }
    return true;
}

bool HttpChannel::SendBody(HttpSrvrSocket& s, QFile& file) {
    char buf[kBlock];
    bool ok = true;
    for (;;) {
        const qint64 got = file.read(buf, kBlock);
        if (got < 0) {
            srvr_.Ctrl().SaveErrLog(ErrPrefix() + QStringLiteral(" SendBody Error : ") +
                                    file.errorString());
            ok = false;
            break;
        }
        if (got == 0) break;
        if (!s.Write(buf, got)) break;
    }
    if (!s.Flush()) {
        srvr_.Ctrl().SaveErrLog(ErrPrefix() + QStringLiteral(" SendBody Error : ") + s.LastError());
        return false;
    }
    return ok;
}

void HttpChannel::Answer404(HttpSrvrSocket& s) {
    SendHeader(s, k404, EncodeText(kPage404).size(), kHtml);
    SendBody(s, kPage404);
}

void HttpChannel::EndConnection(HttpSrvrSocket& s) {
    s.Close();
}

void HttpChannel::ResReq(HttpSrvrSocket& s) {
    const qint64 deadline = HttpSrvrSocket::NowMs() + srvr_.ReadTimeoutMs();
    QByteArray raw;
    const HttpSrvrSocket::Read got = s.ReadLine(&raw, deadline);
    if (got == HttpSrvrSocket::Read::TimedOut || got == HttpSrvrSocket::Read::TooLong ||
        got == HttpSrvrSocket::Read::Failed) {
        srvr_.OutLog(QStringLiteral("HttpSrvr ResReq Error2 : ") + s.LastError());
        srvr_.Ctrl().SaveErrLog(QStringLiteral("HttpSrvr ResReq Error2 : ") + s.LastError());
        EndConnection(s);
        srvr_.OutLog(QStringLiteral("END"));
        return;
    }
    const bool haveLine = got == HttpSrvrSocket::Read::Line;
    const QString line = haveLine ? DecodeText(raw) : QString();
    srvr_.OutLog(QStringLiteral("Cliant>> ") + (haveLine ? line : QStringLiteral("null")));
    srvr_.OutLog(QStringLiteral("SocketAddress>> ") + s.LocalAddress());
    srvr_.OutLog(QStringLiteral("RemoteSocketAddress>> ") + s.RemoteAddress());

    QString query;
    QString canonical;
    if (!haveLine) {
        srvr_.Ctrl().SaveErrLog(ErrPrefix() + QStringLiteral(" ResReq Error : header null"));
        Answer404(s);
    } else {
        QByteArray discard;
        s.ReadLine(&discard, deadline);  // the second line is not used
        const QStringList words = line.split(u' ');
        const QString method = words.at(0);
        if (method != QStringLiteral("GET") && method != QStringLiteral("HEAD")) {
            SendHeader(s, k200, EncodeText(kUnsupported).size(), kHtml);
            SendBody(s, kUnsupported);
        } else {
            QString path;
            HttpSrvrQuery::SplitKorvi(words.size() > 1 ? words.at(1) : QString(""), &path, &query);
            path = HttpSrvrQuery::DecodePath(path);
            const bool malformed =
                path.contains(QChar(0)) || root_.isEmpty() || !path.startsWith(u'/');
            if (!malformed && path.endsWith(u'/') && query.isEmpty() &&
                QFileInfo::exists(root_ + path + QStringLiteral("index.html"))) {
                path += QStringLiteral("index.html");
            }
            canonical = malformed ? QString() : QFileInfo(root_ + path).canonicalFilePath();
            QFile body(canonical);
            const QFileInfo info(canonical);
            const bool isDir = info.isDir();
            if (!AccessList::ChkAccept(tables_->opt.access, tables_->accept_lst, tables_->avoid_lst,
                                       path, s.RemoteHost())) {
                srvr_.OutLog(QStringLiteral("** FileNotFoundException **"));
                canonical.clear();
                Answer404(s);
            } else if (malformed || (!canonical.isEmpty() && !Inside(root_, canonical))) {
                srvr_.Ctrl().SaveErrLog(ErrPrefix() + QStringLiteral(" ResReq Error : out file ") +
                                        path);
                canonical.clear();
                Answer404(s);
            } else if (canonical.isEmpty() ||
                       (!isDir && (!info.isFile() || !body.open(QIODevice::ReadOnly)))) {
                // Checked before the head goes out, so that a missing file
                // never follows a 200 head; only plain files are read (a
                // pipe would block the channel).
                srvr_.OutLog(QStringLiteral("** FileNotFoundException **"));
                canonical.clear();
                Answer404(s);
            } else {
                const qint64 length = (isDir || !query.isEmpty()) ? 0 : body.size();
                const QString type =
                    tables_->cntnt_typ_tbl.GetCntntTyp(canonical, seams_.text_probe);
                SendHeader(s, k200, length, type);
                if (method == QStringLiteral("GET")) {
                    if (!query.isEmpty()) {
                        SendBody(s, ResKorvi(canonical, query));
                    } else if (isDir) {
                        SendBody(s, OutDir(canonical));
                    } else {
                        SendBody(s, body);
                    }
                }
            }
        }
    }
    EndConnection(s);

    if (!pending_id_.isEmpty()) {
        srvr_.OutLog(QStringLiteral("Exec Start ") + srvr_.Ctrl().GetTimeStr());
        try {
            ExecKorvi(canonical, query);
        } catch (const std::exception& e) {
            srvr_.Ctrl().SaveErrLog(ErrPrefix() + QStringLiteral(" ResReq Exec Error : ") +
                                    QString::fromLocal8Bit(e.what()));
        }
        srvr_.ReleaseResultId(pending_id_);
        pending_id_.clear();
        srvr_.OutLog(QStringLiteral("Exec End   ") + srvr_.Ctrl().GetTimeStr());
    }
    srvr_.OutLog(QStringLiteral("END"));
}

QString HttpChannel::ResKorvi(const QString& dir, const QString& query) {
    const QHash<QString, QString> prm = HttpSrvrQuery::Parse(query);
    const QString act = prm.value(QStringLiteral("act"));
    CtrlFile& ctrl = srvr_.Ctrl();
    if (act == QStringLiteral("res")) {
        QString id = prm.value(QStringLiteral("id"));
        id.remove(u'\\');
        id.remove(u'/');
        id.remove(u'.');
        pending_id_.clear();
        return ctrl.LoadData(srvr_.ResultFile(id));
    }
    if (act == QStringLiteral("dir")) {
        pending_id_.clear();
        return OutDir(dir);
    }
    if (act == QStringLiteral("log_srch")) {
        pending_id_ = srvr_.NewResultId();
        const QString page = QStringLiteral("<html><head><meta http-equiv=\"Refresh\" content=\"") +
                             QString::number(tables_->opt.reload_sec) + QStringLiteral("; url=") +
                             QStringLiteral("Korvi?act=res&id=") + pending_id_ +
                             QStringLiteral("\"></head><body>Wait...</body></html>");
        const QString file = srvr_.ResultFile(pending_id_);
        if (ctrl.SetEnableDir(file)) ctrl.SaveData(file, page);
        return page;
    }
    return kBadQuery;
}

LogSrchRequest HttpChannel::MkSrchRequest(const QString& dir, const QHash<QString, QString>& prm) {
    LogSrchRequest r;
    r.folder = dir;
    if (prm.contains(QStringLiteral("srch_word"))) r.words = prm.value(QStringLiteral("srch_word"));
    if (prm.contains(QStringLiteral("flt_r"))) {
        const QString f = prm.value(QStringLiteral("flt_r"));
        r.filter = f == QStringLiteral("in")    ? LogSrchRequest::Filter::In
                   : f == QStringLiteral("out") ? LogSrchRequest::Filter::Out
                                                : LogSrchRequest::Filter::All;
    }
    if (prm.contains(QStringLiteral("flt_txt"))) {
        r.filter_text = prm.value(QStringLiteral("flt_txt"));
    }
    if (prm.contains(QStringLiteral("sz_r"))) {
        const QString z = prm.value(QStringLiteral("sz_r"));
        r.size = z == QStringLiteral("up")    ? LogSrchRequest::Size::Up
                 : z == QStringLiteral("dwn") ? LogSrchRequest::Size::Down
                                              : LogSrchRequest::Size::All;
    }
    if (prm.contains(QStringLiteral("sz_txt"))) {
        r.size_kb = Assist::StrToInt(prm.value(QStringLiteral("sz_txt")));
    }
    if (prm.value(QStringLiteral("srch_type")) == QStringLiteral("extrct")) {
        r.extract = true;
        r.words.clear();
    }
    return r;
}

void HttpChannel::ExecKorvi(const QString& dir, const QString& query) {
    CtrlFile& ctrl = srvr_.Ctrl();
    const QString file = srvr_.ResultFile(pending_id_);
    const QHash<QString, QString> prm = HttpSrvrQuery::Parse(query);
    if (prm.value(QStringLiteral("act")) != QStringLiteral("log_srch")) {
        ctrl.SaveData(file, kExecBadQuery);
        return;
    }
    const QString typeFolder = ctrl.Abs(QStringLiteral("server/out_templet/log_srch"));
    const QString rootName =
        seams_.docs.getOutRtName ? seams_.docs.getOutRtName(typeFolder) : QString("");
    if (rootName.isEmpty()) {
        ctrl.SaveErrLog(ErrPrefix() + QStringLiteral(" ExecKorvi Error : out tmplt illegal name"));
        ctrl.SaveData(file, kIllegalName);
        return;
    }
    if (!seams_.log_srch || !seams_.docs.renderSearch) {
        ctrl.SaveErrLog(ErrPrefix() + QStringLiteral(" ExecKorvi Error : no search"));
        ctrl.SaveData(file, kNoSearch);
        return;
    }
    const LogSrchRequest request = MkSrchRequest(dir, prm);
    std::vector<QStringList> rows = seams_.log_srch(request, srvr_.StopFlag());
    for (QStringList& row : rows) {
        if (row.size() <= 3) continue;
        QString p = row.at(3);
        if (p.startsWith(root_)) p.remove(0, root_.size());
        p.replace(u'\\', u'/');
        if (p.startsWith(u'/')) p.remove(0, 1);
        row[3] = p;
    }
    HttpDocValues values;
    values.values.append({QStringLiteral("^title"), QStringLiteral("Korvi - Search")});
    values.values.append({QStringLiteral("^foot_text"), HttpSrvrDir::FootText()});
    values.values.append({QStringLiteral("^foot_html"), HttpSrvrDir::FootHtml()});
    values.values.append({QStringLiteral("^page_url"), HttpSrvrDir::RelPath(root_, dir)});
    values.values.append({QStringLiteral("^q_0"), request.words});
    QString page = seams_.docs.renderSearch(typeFolder, rootName, values, rows);
    if (!root_.isEmpty()) page.remove(root_);
    ctrl.SaveData(file, page);
}

QString HttpChannel::OutDir(const QString& dir) {
    CtrlFile& ctrl = srvr_.Ctrl();
    if (!QFileInfo(dir).isDir()) {
        ctrl.SaveErrLog(ErrPrefix() + QStringLiteral(" OutDir Error2 : illegal path"));
        return QStringLiteral("HttpSrvr OutDir Error2 : illegal path");
    }
    const HttpDocValues values = HttpSrvrDir::MkDirValues(root_, dir);
    const QString typeFolder = ctrl.Abs(QStringLiteral("server/out_templet/dir"));
    const QString rootName =
        seams_.docs.getOutRtName ? seams_.docs.getOutRtName(typeFolder) : QString("");
    if (rootName.isEmpty() || !seams_.docs.renderDir) {
        ctrl.SaveErrLog(ErrPrefix() + QStringLiteral(" OutDir Error : out tmplt illegal name"));
        return QStringLiteral("HttpSrvr OutDir Error : out tmplt illegal name");
    }
    return seams_.docs.renderDir(typeFolder, rootName, values);
}

}  // namespace korvi
