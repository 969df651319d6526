#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <thread>

#include "platform/IpcEndpoint.h"

using namespace korvi;

TEST(InstanceHandOff, NamesDifferByHomeAndTextsArriveWhole) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir a;
    QTemporaryDir b;
    EXPECT_NE(IpcName(a.path()), IpcName(b.path()));
    EXPECT_EQ(IpcName(a.path()), IpcName(a.path() + "/"));
    EXPECT_TRUE(IpcName(a.path()).startsWith("KorviServer"));

    const QString endpoint = IpcName(a.path());
    EXPECT_FALSE(SendToInstance(endpoint, "nobody", 300));
    QStringList got;
    MessageListener listener([&](const QString& t) { got << t; });
    ASSERT_TRUE(listener.Listen(endpoint));
    MessageListener second([&](const QString&) {});
    EXPECT_FALSE(second.Listen(endpoint));  // one instance per home

    const QString big = QString(200000, u'鳥');
    std::thread sender([&] {
        SendToInstance(endpoint, "SndMes:StartKorvi");
        SendToInstance(endpoint, big);
    });
    QElapsedTimer t;
    t.start();
    while (got.size() < 2 && t.elapsed() < 5000) app.processEvents(QEventLoop::AllEvents, 20);
    sender.join();
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got[0], "SndMes:StartKorvi");
    EXPECT_EQ(got[1], big);
}
