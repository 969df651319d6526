#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QString>

#include <memory>

#include "HttpTestClient.h"
#include "fixtures/TempHome.h"
#include "server/HttpSrvr.h"
#include "server/HttpSrvrSocket.h"

namespace korvi::test {

// A home with a download root "log" holding a small site, and a running
// server on a free port whose template engine is a simple fake that prints
// the values it gets.
class ServerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        WriteOpt(QStringLiteral("use=1\nport=0\nq_reload_sec=2\naccess=0\n"));
        home.Write(QStringLiteral("log/a.txt"), "hello text\n");
        home.Write(QStringLiteral("log/Pic.PNG"), QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
        home.Write(QStringLiteral("log/sub/index.html"), "<html>sub index</html>");
        home.Write(QStringLiteral("log/sub/b c.html"), "<html>b</html>");
        home.Write(QStringLiteral("log/dir2/inner/x.txt"), "x");
        home.Write(QStringLiteral("log/dir2/z.txt"), "z");
        QDir().mkpath(home.File(QStringLiteral("log/dir2/empty")));
        home.Write(QStringLiteral("secret.txt"), "outside the root");
        server = std::make_unique<HttpSrvr>(home.Ctx());
        server->SetDocs(FakeDocs());
        server->SetTimeouts(2000);
    }
    void TearDown() override { server.reset(); }

    void WriteOpt(const QString& httpSection) {
        home.Write(QStringLiteral("server/opt.ini"),
                   (QStringLiteral("[HttpServer]\n") + httpSection).toUtf8());
    }
    int StartServer() {
        const int state = server->Start();
        port = server->Port();
        return state;
    }
    QByteArray Body(const QByteArray& path) { return Split(Get(port, path)).body; }
    QString ErrLog() const { return QString::fromUtf8(home.Read(QStringLiteral("log_err/R.log"))); }

    static HttpSrvrDocs FakeDocs() {
        HttpSrvrDocs d;
        d.getOutRtName = [](const QString&) { return QStringLiteral("body.html"); };
        d.renderDir = [](const QString& folder, const QString& name, const HttpDocValues& v) {
            QString out = QStringLiteral("DIR ") + folder.section(u'/', -1) + u' ' + name + u'\n';
            for (const auto& p : v.values) out += p.first + u'=' + p.second + u'\n';
            const QStringList n1 = v.List(QStringLiteral("^file_name1"));
            const QStringList n2 = v.List(QStringLiteral("^file_name2"));
            const QStringList n3 = v.List(QStringLiteral("^file_name3"));
            const QStringList sz = v.List(QStringLiteral("^file_size"));
            const QStringList dir = v.List(QStringLiteral("^is_directory"));
            const QStringList no = v.List(QStringLiteral("^serial_no"));
            for (int i = 0; i < n1.size(); ++i) {
                out += no.value(i) + u'|' + n1.value(i) + u'|' + n2.value(i) + u'|' + n3.value(i) +
                       u'|' + sz.value(i) + u'|' + dir.value(i) + u'\n';
            }
            return out;
        };
        d.renderSearch = [](const QString&, const QString&, const HttpDocValues& v,
                            const std::vector<QStringList>& rows) {
            QString out = QStringLiteral("RESULT ") + v.Value(QStringLiteral("^q_0")) + u'\n';
            for (const QStringList& r : rows) out += r.join(u'|') + u'\n';
            return out;
        };
        return d;
    }

    TempHome home;
    std::unique_ptr<HttpSrvr> server;
    int port = -1;
};

}  // namespace korvi::test
