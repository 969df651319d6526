#pragma once

#include <QHash>
#include <QString>

#include <memory>
#include <mutex>
#include <thread>

#include "server/HttpSrvr.h"

class QFile;

namespace korvi {

class HttpSrvrSocket;
struct HttpRequestHead;

// One channel of the server's pool: a thread that serves one request at a
// time (ResReq) as the listener hands them over; searches it accepts run in
// the server's search pool (ExecKorvi).
class HttpChannel {
public:
    HttpChannel(HttpSrvr& srvr, int chnnlNo);
    ~HttpChannel();
    HttpChannel(const HttpChannel&) = delete;
    HttpChannel& operator=(const HttpChannel&) = delete;

    bool Busy() const;
    // Waits for the thread; the server has told its channels to end.
    void Quit();

    // The request handling, also usable without a socket. status receives
    // the status line of the answer.
    QString ResKorvi(const QString& dir, const QString& query, QString* status = nullptr);
    QString OutDir(const QString& dir);
    QString PendingId() const { return pending_id_; }
    void SetRoot(const QString& root) { root_ = root; }

    // A search accepted by a channel, with what it needs from that channel.
    struct SrchJob {
        int chnnl_no = 0;
        QString id;
        QString dir;
        QString query;
        QString root;
        HttpSrvr::Seams seams;
    };
    static void ExecKorvi(HttpSrvr& srvr, const SrchJob& job);

private:
    void run();
    void ResReq(HttpSrvrSocket& s, const QByteArray& headBytes);
    void Serve(HttpSrvrSocket& s, const HttpRequestHead& head, const QString& line,
               QString* canonical, QString* query);
    void Answer404(HttpSrvrSocket& s);
    void SendHeader(HttpSrvrSocket& s, const QString& status, qint64 length, const QString& type);
    bool SendBody(HttpSrvrSocket& s, const QString& text);
    bool SendBody(HttpSrvrSocket& s, QFile& file);
    void EndConnection(HttpSrvrSocket& s);
    QString ErrPrefix() const;
    QString CanonicalRoot();
    static LogSrchRequest MkSrchRequest(const QString& dir, const QHash<QString, QString>& prm);

    HttpSrvr& srvr_;
    const int chnnl_no_;
    QString root_;
    QString pending_id_;
    HttpSrvr::Seams seams_;
    std::shared_ptr<const HttpSrvr::Tables> tables_;
    std::shared_ptr<const HttpSrvrGuard> guard_;

    mutable std::mutex mutex_;
    bool busy_ = false;
    std::thread thread_;
};

}  // namespace korvi
