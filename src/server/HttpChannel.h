#pragma once

#include <QHash>
#include <QString>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "server/HttpSrvr.h"

class QFile;

namespace korvi {

class HttpSrvrSocket;

// One channel of the server's pool: a thread that serves one connection at a
// time (ResReq) and then runs a pending search (ExecKorvi).
class HttpChannel {
public:
    HttpChannel(HttpSrvr& srvr, int chnnlNo);
    ~HttpChannel();
    HttpChannel(const HttpChannel&) = delete;
    HttpChannel& operator=(const HttpChannel&) = delete;

    // Takes the connection when the channel is free; false when busy.
    bool StrtChnnl(int fd);
    bool Busy() const;
    // Ends the thread after the connection being served.
    void Quit();

    // The request handling, also usable without a socket.
    QString ResKorvi(const QString& dir, const QString& query);
    void ExecKorvi(const QString& dir, const QString& query);
    QString OutDir(const QString& dir);
    QString PendingId() const { return pending_id_; }
    void SetRoot(const QString& root) { root_ = root; }

private:
    void run();
    void ResReq(HttpSrvrSocket& s);
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

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    int fd_ = -1;
    bool busy_ = false;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace korvi
