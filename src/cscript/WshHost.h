#pragma once

#include <QJSValue>
#include <QObject>
#include <QString>
#include <QStringList>

class QJSEngine;

namespace korvi::cscript {

// The native side of the WScript objects: output, input, the environment,
// files and shortcuts. The script-facing objects are built over it in
// JavaScript (see Install).
class WshHost : public QObject {
    Q_OBJECT
public:
    WshHost(const QString& scriptPath, const QStringList& args, QJSEngine* engine);

    // Builds WScript, ActiveXObject and the helper objects in the engine's
    // global object.
    bool Install(QString* error);

    // Where a named special folder is on this system; "" for unknown names.
    static QString SpecialFolder(const QString& name);
    // Every %NAME% of a set variable replaced by its value.
    static QString ExpandEnv(const QString& text);

    Q_INVOKABLE QStringList arguments() const { return args_; }
    Q_INVOKABLE QString scriptFullName() const;
    Q_INVOKABLE void write(int fd, const QString& text);
    Q_INVOKABLE QString readStdin();
    Q_INVOKABLE void quit(int code);
    Q_INVOKABLE void sleep(int ms);
    Q_INVOKABLE QString specialFolder(const QString& name) const { return SpecialFolder(name); }
    Q_INVOKABLE QString expandEnv(const QString& text) const { return ExpandEnv(text); }
    Q_INVOKABLE bool fileExists(const QString& path) const;
    Q_INVOKABLE bool folderExists(const QString& path) const;
    // The file's text, or null when it cannot be read.
    Q_INVOKABLE QJSValue readTextFile(const QString& path) const;
    Q_INVOKABLE QString shortcutTarget(const QString& path) const;

private:
    QString script_;
    QStringList args_;
    QJSEngine* engine_;
    bool stdin_read_ = false;
};

// Everything standard input holds, as UTF-8 text.
QString ReadAllStdin();

}  // namespace korvi::cscript
