#include "platform/SendTo.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace korvi {

namespace {

// The Exec value of the [Desktop Entry] group; "" when there is none.
QString ExecLine(const QString& text) {
    bool inEntry = false;
    for (QString line : text.split(u'\n')) {
        line = line.trimmed();
        if (line.startsWith(u'[')) {
            inEntry = line == QStringLiteral("[Desktop Entry]");
            continue;
        }
        if (inEntry && line.startsWith(QStringLiteral("Exec="))) return line.mid(5).trimmed();
    }
    return QString();
}

// Splits an Exec value into words: blanks separate, double quotes group,
// a backslash inside quotes escapes the next character.
QStringList SplitExec(const QString& exec) {
    QStringList words;
    QString word;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else if (c == u'"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == u'"') {
            quoted = true;
            any = true;
        } else if (c.isSpace()) {
            if (any || !word.isEmpty()) words.append(word);
            word.clear();
            any = false;
        } else {
            word += c;
        }
    }
    if (any || !word.isEmpty()) words.append(word);
    return words;
}

}  // namespace

QStringList SendToCommand(const QString& desktopText, const QString& file) {
    const QStringList words = SplitExec(ExecLine(desktopText));
    if (words.isEmpty()) return {};
    QStringList command;
    bool placed = false;
    for (const QString& w : words) {
        if (w == QStringLiteral("%f") || w == QStringLiteral("%F")) {
            command.append(file);
            placed = true;
        } else if (w == QStringLiteral("%u") || w == QStringLiteral("%U")) {
            command.append(QUrl::fromLocalFile(file).toString());
            placed = true;
        } else if (w.size() == 2 && w[0] == u'%') {
            // %i, %c, %k and the deprecated codes stand for nothing here.
        } else {
            QString arg = w;
            arg.replace(QStringLiteral("%%"), QStringLiteral("%"));
            command.append(arg);
        }
    }
    if (!placed) command.append(file);
    return command;
}

bool SendToEntry(const QString& entryPath, const QString& file) {
    QFile f(entryPath);
    if (!QFileInfo(entryPath).isFile() || f.size() > 1024 * 1024 || !f.open(QIODevice::ReadOnly))
        return false;
    const QStringList command = SendToCommand(QString::fromUtf8(f.readAll()), file);
    if (command.isEmpty()) return false;
    return QProcess::startDetached(command.first(), command.mid(1));
}

}  // namespace korvi
