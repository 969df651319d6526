#include "server/HttpChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <exception>

#include "server/AccessList.h"
#include "server/HttpRequestHead.h"
#include "server/HttpSrvrDir.h"
#include "server/HttpSrvrQuery.h"
#include "server/HttpSrvrSocket.h"
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
const QString k400 = QStringLiteral("HTTP/1.0 400 Bad Request");
const QString k403 = QStringLiteral("HTTP/1.0 403 Forbidden");
const QString k421 = QStringLiteral("HTTP/1.0 421 Misdirected Request");
const QString k503 = QStringLiteral("HTTP/1.0 503 Service Unavailable");
const QString kPageHead = QStringLiteral(
    "<HTML><HEAD><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
    "charset=UTF-8\"></HEAD><BODY>");
const QString kPageFoot = QStringLiteral("</BODY></HTML>");
const QString kBadSize = kPageHead +
                         QStringLiteral(
                             "サイズの指定 (sz_txt) が正しくありません。"
                             "0 から 2147483647 までの整数 (KB) を指定して下さい。") +
                         kPageFoot;
const QString kSrchBusy = kPageHead +
                          QStringLiteral(
                              "検索が混み合っています。"
                              "しばらく待ってから、もう一度検索して下さい。") +
                          kPageFoot;

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
    if (thread_.joinable()) thread_.join();
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
    HttpArrival arrival;
    while (srvr_.TakeArrival(&arrival)) {
        {
            std::lock_guard lock(mutex_);
            busy_ = true;
        }
        try {
            HttpSrvrSocket s(arrival.fd, srvr_.StopFlag());
            root_ = CanonicalRoot();
            tables_ = srvr_.GetTables();
            seams_ = srvr_.GetSeams();
            guard_ = srvr_.GetGuard();
            pending_id_.clear();
            ResReq(s, arrival.head);
        } catch (const std::exception& e) {
            srvr_.Ctrl().SaveErrLog(QStringLiteral("HttpSrvr ResReq Error2 : ") +
                                    QString::fromLocal8Bit(e.what()));
        } catch (...) {
            srvr_.Ctrl().SaveErrLog(QStringLiteral("HttpSrvr ResReq Error2 : unknown"));
        }
        arrival = HttpArrival();
        std::lock_guard lock(mutex_);
        busy_ = false;
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

void HttpChannel::ResReq(HttpSrvrSocket& s, const QByteArray& headBytes) {
    const HttpRequestHead head = HttpRequestHead::Parse(headBytes);
    const bool haveLine = !headBytes.isEmpty();
    const QString line = haveLine ? DecodeText(head.line) : QString();
    srvr_.OutLog(QStringLiteral("Cliant>> ") + (haveLine ? line : QStringLiteral("null")));
    srvr_.OutLog(QStringLiteral("SocketAddress>> ") + s.LocalAddress());
    srvr_.OutLog(QStringLiteral("RemoteSocketAddress>> ") + s.RemoteAddress());

    QString query;
    QString canonical;
    if (!haveLine) {
        srvr_.Ctrl().SaveErrLog(ErrPrefix() + QStringLiteral(" ResReq Error : header null"));
        Answer404(s);
    } else if (!guard_->HostAllowed(head)) {
        // A name that is not the server's own: a page behind DNS rebinding.
        srvr_.OutLog(
            ErrPrefix() + QStringLiteral(" ResReq Refused : host ") +
            HttpSrvrQuery::NoControls(QString::fromLatin1(head.Values("host").join(' ')), false));
        SendHeader(s, k421, 0, QString());
    } else {
        Serve(s, head, line, &canonical, &query);
    }
    EndConnection(s);
    srvr_.OutLog(QStringLiteral("END"));
}

void HttpChannel::Serve(HttpSrvrSocket& s, const HttpRequestHead& head, const QString& line,
                        QString* canonicalOut, QString* queryOut) {
    QString& query = *queryOut;
    QString& canonical = *canonicalOut;
    const QStringList words = line.split(u' ');
    const QString method = words.at(0);
    if (method != QStringLiteral("GET") && method != QStringLiteral("HEAD")) {
        SendHeader(s, k200, EncodeText(kUnsupported).size(), kHtml);
        SendBody(s, kUnsupported);
        return;
    }
    QString path;
    HttpSrvrQuery::SplitKorvi(words.size() > 1 ? words.at(1) : QString(""), &path, &query);
    if (HttpSrvrGuard::DoesWork(query) && guard_->FromOtherSite(head)) {
        srvr_.OutLog(ErrPrefix() + QStringLiteral(" ResReq Refused : request from another site"));
        SendHeader(s, k403, 0, QString());
        return;
    }
    path = HttpSrvrQuery::DecodePath(path);
    const bool malformed = path.contains(QChar(0)) || root_.isEmpty() || !path.startsWith(u'/');
    if (!malformed && path.endsWith(u'/') && query.isEmpty() &&
        QFileInfo::exists(root_ + path + QStringLiteral("index.html"))) {
        path += QStringLiteral("index.html");
    }
    canonical = malformed ? QString() : QFileInfo(root_ + path).canonicalFilePath();
    QFile body(canonical);
    const QFileInfo info(canonical);
    const bool isDir = info.isDir();
    if (!AccessList::ChkAccept(tables_->opt.access, tables_->accept_lst, tables_->avoid_lst, path,
                               s.RemoteHost())) {
        srvr_.OutLog(QStringLiteral("** FileNotFoundException **"));
        canonical.clear();
        Answer404(s);
    } else if (malformed || (!canonical.isEmpty() && !Inside(root_, canonical))) {
        srvr_.Ctrl().SaveErrLog(ErrPrefix() + QStringLiteral(" ResReq Error : out file ") + path);
        canonical.clear();
        Answer404(s);
    } else if (canonical.isEmpty() ||
               (!isDir && (!info.isFile() || !body.open(QIODevice::ReadOnly)))) {
        // Checked before the head goes out, so that a missing file never
        // follows a 200 head; only plain files are read (a pipe would block
        // the channel).
        srvr_.OutLog(QStringLiteral("** FileNotFoundException **"));
        canonical.clear();
        Answer404(s);
    } else {
        const qint64 length = (isDir || !query.isEmpty()) ? 0 : body.size();
        const QString type = tables_->cntnt_typ_tbl.GetCntntTyp(canonical, seams_.text_probe);
        const bool get = method == QStringLiteral("GET");
        if (get && !query.isEmpty()) {
            // A command's answer is known before its head: it may refuse.
            QString status = k200;
            const QString text = ResKorvi(canonical, query, &status);
            SendHeader(s, status, 0, type);
            SendBody(s, text);
            return;
        }
        SendHeader(s, k200, length, type);
        if (!get || !query.isEmpty()) return;
        if (isDir) {
            SendBody(s, OutDir(canonical));
        } else {
            SendBody(s, body);
        }
    }
}

QString HttpChannel::ResKorvi(const QString& dir, const QString& query, QString* status) {
    const QHash<QString, QString> prm = HttpSrvrQuery::Parse(query);
    const QString act = prm.value(QStringLiteral("act"));
    CtrlFile& ctrl = srvr_.Ctrl();
    pending_id_.clear();
    if (act == QStringLiteral("res")) {
        QString id = prm.value(QStringLiteral("id"));
        id.remove(u'\\');
        id.remove(u'/');
        id.remove(u'.');
        return ctrl.LoadData(srvr_.ResultFile(id));
    }
    if (act == QStringLiteral("dir")) {
        return OutDir(dir);
    }
    if (act == QStringLiteral("log_srch")) {
        int kb = 0;
        if (prm.contains(QStringLiteral("sz_txt")) &&
            !HttpSrvrQuery::ParseSize(prm.value(QStringLiteral("sz_txt")), &kb)) {
            if (status) *status = k400;
            return kBadSize;
        }
        const QString id = srvr_.NewResultId();
        const QString page = QStringLiteral("<html><head><meta http-equiv=\"Refresh\" content=\"") +
                             QString::number(tables_->opt.reload_sec) + QStringLiteral("; url=") +
                             QStringLiteral("Korvi?act=res&id=") + id +
                             QStringLiteral("\"></head><body>Wait...</body></html>");
        const QString file = srvr_.ResultFile(id);
        if (ctrl.SetEnableDir(file)) ctrl.SaveData(file, page);
        SrchJob job{chnnl_no_, id, dir, query, root_, seams_};
        HttpSrvr& srvr = srvr_;
        const bool taken = srvr_.SrchPool().Submit([&srvr, job] {
            srvr.OutLog(QStringLiteral("Exec Start ") + srvr.Ctrl().GetTimeStr());
            try {
                ExecKorvi(srvr, job);
            } catch (const std::exception& e) {
                srvr.Ctrl().SaveErrLog(QStringLiteral("HttpSrvr ") + QString::number(job.chnnl_no) +
                                       QStringLiteral(" ResReq Exec Error : ") +
                                       QString::fromLocal8Bit(e.what()));
            }
            srvr.ReleaseResultId(job.id);
            srvr.OutLog(QStringLiteral("Exec End   ") + srvr.Ctrl().GetTimeStr());
        });
        if (!taken) {
            QFile::remove(file);
            srvr_.ReleaseResultId(id);
            if (status) *status = k503;
            return kSrchBusy;
        }
        pending_id_ = id;
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
    int kb = 0;
    if (prm.contains(QStringLiteral("sz_txt")) &&
        HttpSrvrQuery::ParseSize(prm.value(QStringLiteral("sz_txt")), &kb)) {
        r.size_kb = kb;
    }
    if (prm.value(QStringLiteral("srch_type")) == QStringLiteral("extrct")) {
        r.extract = true;
        r.words.clear();
    }
    return r;
}

void HttpChannel::ExecKorvi(HttpSrvr& srvr, const SrchJob& job) {
    CtrlFile& ctrl = srvr.Ctrl();
    const QString errPrefix = QStringLiteral("HttpSrvr ") + QString::number(job.chnnl_no);
    const QString file = srvr.ResultFile(job.id);
    const QHash<QString, QString> prm = HttpSrvrQuery::Parse(job.query);
    if (prm.value(QStringLiteral("act")) != QStringLiteral("log_srch")) {
        ctrl.SaveData(file, kExecBadQuery);
        return;
    }
    const QString typeFolder = ctrl.Abs(QStringLiteral("server/out_templet/log_srch"));
    const HttpSrvrDocs& docs = job.seams.docs;
    const QString rootName = docs.getOutRtName ? docs.getOutRtName(typeFolder) : QString("");
    if (rootName.isEmpty()) {
        ctrl.SaveErrLog(errPrefix + QStringLiteral(" ExecKorvi Error : out tmplt illegal name"));
        ctrl.SaveData(file, kIllegalName);
        return;
    }
    if (!job.seams.log_srch || !docs.renderSearch) {
        ctrl.SaveErrLog(errPrefix + QStringLiteral(" ExecKorvi Error : no search"));
        ctrl.SaveData(file, kNoSearch);
        return;
    }
    const LogSrchRequest request = MkSrchRequest(job.dir, prm);
    std::vector<QStringList> rows = job.seams.log_srch(request, srvr.StopFlag());
    const QString& root = job.root;
    for (QStringList& row : rows) {
        if (row.size() <= 3) continue;
        QString p = row.at(3);
        if (p.startsWith(root)) p.remove(0, root.size());
        p.replace(u'\\', u'/');
        if (p.startsWith(u'/')) p.remove(0, 1);
        row[3] = p;
    }
    HttpDocValues values;
    values.values.append({QStringLiteral("^title"), QStringLiteral("Korvi - Search")});
    values.values.append({QStringLiteral("^foot_text"), HttpSrvrDir::FootText()});
    values.values.append({QStringLiteral("^foot_html"), HttpSrvrDir::FootHtml()});
    values.values.append({QStringLiteral("^page_url"), HttpSrvrDir::RelPath(root, job.dir)});
    values.values.append({QStringLiteral("^q_0"), request.words});
    QString page = docs.renderSearch(typeFolder, rootName, values, rows);
    if (!root.isEmpty()) page.remove(root);
    // Found text comes from any file: no control character reaches the page.
    ctrl.SaveData(file, HttpSrvrQuery::NoControls(page, true));
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
    return HttpSrvrQuery::NoControls(seams_.docs.renderDir(typeFolder, rootName, values), true);
}

}  // namespace korvi
