// korvi-cscript: runs one script with the WScript objects our scripts use.
//   korvi-cscript [//option...] SCRIPT [ARG...]
// An argument "--args-stdin" is replaced by everything standard input holds.

#include <QCoreApplication>
#include <QFile>
#include <QJSEngine>
#include <QJSValue>
#include <QStringList>

#include <cstdio>

#include "KorviVersion.h"
#include "cscript/WshHost.h"
#include "store/TextCodec.h"

namespace {

void PrintErr(const QString& text) {
    const QByteArray bytes = (text + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString script;
    QStringList args;
    bool stdinTaken = false;
    const QStringList all = app.arguments();
    if (all.size() == 2 && (all[1] == u"--help" || all[1] == u"-h")) {
        std::fputs(
            "usage: korvi-cscript [//OPTION...] SCRIPT [ARG...]\n"
            "Runs SCRIPT with the WScript objects of Korvi's scripts; an argument\n"
            "--args-stdin is replaced by everything standard input holds.\n",
            stdout);
        return 0;
    }
    if (all.size() == 2 && (all[1] == u"--version" || all[1] == u"-V")) {
        std::fputs("korvi-cscript " KORVI_VERSION "\n", stdout);
        return 0;
    }
    for (qsizetype i = 1; i < all.size(); ++i) {
        const QString& a = all.at(i);
        if (a.startsWith(QStringLiteral("//"))) continue;  // host options
        if (script.isEmpty()) {
            script = a;
        } else if (a == u"--args-stdin" && !stdinTaken) {
            stdinTaken = true;
            args.append(korvi::cscript::ReadAllStdin());
        } else {
            args.append(a);
        }
    }
    if (script.isEmpty()) {
        PrintErr(QStringLiteral("usage: korvi-cscript SCRIPT [ARG...]"));
        return 2;
    }
    QFile f(script);
    if (!f.open(QIODevice::ReadOnly)) {
        PrintErr(QStringLiteral("korvi-cscript: cannot read ") + script + QStringLiteral(": ") +
                 f.errorString());
        return 1;
    }
    QString source = korvi::DecodeText(f.readAll());
    if (source.startsWith(QChar(0xFEFF))) source.remove(0, 1);

    QJSEngine engine;
    engine.installExtensions(QJSEngine::ConsoleExtension);
    korvi::cscript::WshHost host(script, args, &engine);
    QString error;
    if (!host.Install(&error)) {
        PrintErr(QStringLiteral("korvi-cscript: ") + error);
        return 1;
    }
    QStringList trace;
    const QJSValue result = engine.evaluate(source, script, 1, &trace);
    std::fflush(stdout);
    if (result.isError() || !trace.isEmpty()) {
        QString where = script;
        if (result.isError() && result.hasProperty(QStringLiteral("lineNumber")))
            where += u'(' + result.property(QStringLiteral("lineNumber")).toString() + u')';
        PrintErr(where + QStringLiteral(" : ") + result.toString());
        return 1;
    }
    return 0;
}
