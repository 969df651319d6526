#include "tools/ToolConsole.h"

#include <QByteArray>
#include <QString>

#include <unistd.h>
#include <cstdio>

namespace korvi {

namespace {

void Write(const QString& text) {
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
    std::fflush(stderr);
}

}  // namespace

ToolConsole::ToolConsole(bool quiet) : progress_(!quiet && isatty(fileno(stderr)) != 0) {}

ToolConsole::~ToolConsole() {
    Finish();
}

void ToolConsole::Finish() {
    if (open_line_) Write(QStringLiteral("\n"));
    open_line_ = false;
}

DocProgressFn ToolConsole::Progress() {
    return [this](const QString& text) {
        if (!progress_) return;
        Write(QStringLiteral("\r") + text + QStringLiteral("\x1b[K"));
        open_line_ = true;
    };
}

DocMessageFn ToolConsole::Message() {
    return [this](const QString& title, const QString& text) {
        Finish();
        Write(QStringLiteral("[") + title + QStringLiteral("] ") + text + u'\n');
    };
}

}  // namespace korvi
