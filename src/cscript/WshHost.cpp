#include "cscript/WshHost.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJSEngine>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>
#include <cstdlib>

#include "cscript/ShellLink.h"
#include "store/TextCodec.h"

namespace korvi::cscript {

namespace {

// The script-facing objects. `h` is the native host.
const char kBootstrap[] = R"JS(
(function (h, g) {
  function textReader(t) {
    var pos = 0;
    var r = {
      ReadAll: function () { var s = t.substring(pos); pos = t.length; return s; },
      ReadLine: function () {
        var i = t.indexOf("\n", pos), s;
        if (i < 0) { s = t.substring(pos); pos = t.length; }
        else { s = t.substring(pos, i); pos = i + 1; }
        if (s.length > 0 && s.charAt(s.length - 1) === "\r") s = s.substring(0, s.length - 1);
        return s;
      },
      Read: function (n) { var s = t.substr(pos, n); pos += s.length; return s; },
      Skip: function (n) { pos = Math.min(t.length, pos + n); },
      SkipLine: function () { r.ReadLine(); },
      Close: function () {}
    };
    Object.defineProperty(r, "AtEndOfStream", { get: function () { return pos >= t.length; } });
    return r;
  }
  function writer(fd) {
    return {
      Write: function (s) { h.write(fd, String(s)); },
      WriteLine: function (s) { h.write(fd, (s === undefined ? "" : String(s)) + "\n"); },
      WriteBlankLines: function (n) { for (var i = 0; i < n; i++) h.write(fd, "\n"); },
      Close: function () {}
    };
  }
  var stdinReader = null;
  function si() { if (stdinReader === null) stdinReader = textReader(h.readStdin()); return stdinReader; }
  var stdIn = {
    ReadAll: function () { return si().ReadAll(); },
    ReadLine: function () { return si().ReadLine(); },
    Read: function (n) { return si().Read(n); },
    Skip: function (n) { si().Skip(n); },
    SkipLine: function () { si().SkipLine(); },
    Close: function () {}
  };
  Object.defineProperty(stdIn, "AtEndOfStream", { get: function () { return si().AtEndOfStream; } });

  var list = h.arguments();
  var args = function (i) { return args.Item(i); };
  args.Item = function (i) {
    if (i < 0 || i >= list.length) throw new RangeError("Subscript out of range");
    return list[i];
  };
  args.Count = function () { return list.length; };
  Object.defineProperty(args, "length", { value: list.length });
  for (var i = 0; i < list.length; i++) args[i] = list[i];
  args.Unnamed = args;

  function shell() {
    var folders = function (n) { return h.specialFolder(String(n)); };
    folders.Item = folders;
    return {
      SpecialFolders: folders,
      ExpandEnvironmentStrings: function (s) { return h.expandEnv(String(s)); },
      CreateShortcut: function (p) {
        var path = String(p);
        return { FullName: path, TargetPath: h.shortcutTarget(path), Arguments: "",
                 WorkingDirectory: "", Save: function () {
                   throw new Error("CreateShortcut: writing shortcuts is not supported"); } };
      }
    };
  }
  function fso() {
    function base(p) { return String(p).replace(/^.*[\\\/]/, ""); }
    return {
      FileExists: function (p) { return h.fileExists(String(p)); },
      FolderExists: function (p) { return h.folderExists(String(p)); },
      GetFileName: function (p) { return base(p); },
      GetExtensionName: function (p) {
        var b = base(p), i = b.lastIndexOf(".");
        return i < 0 ? "" : b.substring(i + 1);
      },
      GetBaseName: function (p) {
        var b = base(p), i = b.lastIndexOf(".");
        return i < 0 ? b : b.substring(0, i);
      },
      OpenTextFile: function (p, mode) {
        if (mode !== undefined && mode !== 1)
          throw new Error("OpenTextFile: only reading is supported");
        var t = h.readTextFile(String(p));
        if (t === null) throw new Error("File not found: " + p);
        return textReader(t);
      }
    };
  }
  function create(id) {
    var name = String(id).toLowerCase();
    if (name === "wscript.shell") return shell();
    if (name === "scripting.filesystemobject") return fso();
    throw new Error("Could not create object named \"" + id + "\"");
  }
  var full = h.scriptFullName();
  g.WScript = {
    Name: "Windows Script Host",
    Version: "5.8",
    FullName: "korvi-cscript",
    ScriptFullName: full,
    ScriptName: full.replace(/^.*[\\\/]/, ""),
    Arguments: args,
    StdOut: writer(1),
    StdErr: writer(2),
    StdIn: stdIn,
    Echo: function () {
      var parts = [];
      for (var i = 0; i < arguments.length; i++) parts.push(String(arguments[i]));
      h.write(1, parts.join(" ") + "\n");
    },
    Quit: function (code) { h.quit(code === undefined ? 0 : Number(code)); },
    Sleep: function (ms) { h.sleep(Number(ms)); },
    CreateObject: create
  };
  g.ActiveXObject = function (id) { return create(id); };
})
)JS";

QString DataHome() {
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty()) return xdg;
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString ConfigHome() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty()) return xdg;
    return QDir::homePath() + QStringLiteral("/.config");
}

}  // namespace

WshHost::WshHost(const QString& scriptPath, const QStringList& args, QJSEngine* engine)
    : script_(scriptPath), args_(args), engine_(engine) {}

bool WshHost::Install(QString* error) {
    // The host lives on the stack of main; the engine must never delete it.
    QJSEngine::setObjectOwnership(this, QJSEngine::CppOwnership);
    QJSValue fn = engine_->evaluate(QString::fromUtf8(kBootstrap), QStringLiteral("<wscript>"));
    if (fn.isError()) {
        *error = fn.toString();
        return false;
    }
    const QJSValue r = fn.call({engine_->newQObject(this), engine_->globalObject()});
    if (r.isError()) {
        *error = r.toString();
        return false;
    }
    return true;
}

QString WshHost::SpecialFolder(const QString& name) {
    const QString n = name.toLower();
    const QString data = DataHome();
    if (n == u"favorites") return data + QStringLiteral("/korvi/Favorites");
    if (n == u"sendto") return data + QStringLiteral("/korvi/SendTo");
    if (n == u"desktop" || n == u"alluserdesktop" || n == u"allusersdesktop")
        return QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (n == u"mydocuments")
        return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (n == u"fonts") return data + QStringLiteral("/fonts");
    if (n == u"templates")
        return QStandardPaths::writableLocation(QStandardPaths::TemplatesLocation);
    if (n == u"appdata") return data;
    if (n == u"programs" || n == u"startmenu" || n == u"allusersprograms" ||
        n == u"allusersstartmenu")
        return data + QStringLiteral("/applications");
    if (n == u"startup" || n == u"allusersstartup")
        return ConfigHome() + QStringLiteral("/autostart");
    return QString("");
}

QString WshHost::ExpandEnv(const QString& text) {
    static const QRegularExpression var(QStringLiteral("%([^%]+)%"));
    QString out;
    qsizetype last = 0;
    auto it = var.globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out += text.mid(last, m.capturedStart() - last);
        const QString name = m.captured(1);
        const QByteArray key = name.toUtf8();
        QString value;
        bool found = qEnvironmentVariableIsSet(key.constData());
        if (found) {
            value = qEnvironmentVariable(key.constData());
        } else {
            // The common Windows names, for scripts written for that host.
            const QString upper = name.toUpper();
            found = true;
            if (upper == u"USERPROFILE" || upper == u"HOMEPATH") {
                value = QDir::homePath();
            } else if (upper == u"APPDATA") {
                value = DataHome();
            } else if (upper == u"TEMP" || upper == u"TMP") {
                value = QDir::tempPath();
            } else {
                found = false;
            }
        }
        out += found ? value : m.captured(0);
        last = m.capturedEnd();
    }
    out += text.mid(last);
    return out;
}

QString WshHost::scriptFullName() const {
    return QFileInfo(script_).absoluteFilePath();
}

void WshHost::write(int fd, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::FILE* f = fd == 2 ? stderr : stdout;
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), f);
}

QString ReadAllStdin() {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) return QString("");
    return QString::fromUtf8(in.readAll());
}

QString WshHost::readStdin() {
    if (stdin_read_) return QString("");
    stdin_read_ = true;
    return ReadAllStdin();
}

void WshHost::quit(int code) {
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}

void WshHost::sleep(int ms) {
    if (ms > 0) QThread::msleep(ulong(ms));
}

bool WshHost::fileExists(const QString& path) const {
    return QFileInfo(path).isFile();
}

bool WshHost::folderExists(const QString& path) const {
    return QFileInfo(path).isDir();
}

QJSValue WshHost::readTextFile(const QString& path) const {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QJSValue(QJSValue::NullValue);
    QString text = DecodeText(f.readAll());
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return QJSValue(text);
}

QString WshHost::shortcutTarget(const QString& path) const {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString("");
    return ShellLinkTarget(f.read(1 << 20), QFileInfo(path).absolutePath());
}

}  // namespace korvi::cscript
