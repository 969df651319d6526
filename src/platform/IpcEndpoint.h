#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;

namespace korvi {

// The local channel through which other processes hand text to the
// resident instance: a local socket named from "KorviServer" and a hash of
// the home folder, so that two homes never collide.
QString IpcName(const QString& home);

// Delivers text to the instance listening on name; false when none answers.
bool SendToInstance(const QString& name, const QString& text, int timeoutMs = 3000);

// Listens on the name and hands every text that arrives (one per
// connection) to the callback, on the thread that owns this object.
class MessageListener : public QObject {
public:
    explicit MessageListener(std::function<void(const QString&)> onText, QObject* parent = nullptr);
    ~MessageListener() override;
    // False when another live instance already listens on the name.
    bool Listen(const QString& name, QString* error = nullptr);

private:
    void OnConnection();
    std::function<void(const QString&)> on_text_;
    QLocalServer* server_ = nullptr;
};

}  // namespace korvi
