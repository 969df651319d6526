#include "cli/Cli.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace korvi::cli {

Args::Args(const QStringList& raw, const QStringList& valueOptions, const QStringList& flagOptions,
           const QMap<QChar, QString>& shortFlags) {
    bool onlyPositional = false;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QString& a = raw.at(i);
        if (onlyPositional || !a.startsWith(u'-') || a == QStringLiteral("-")) {
            positional_.append(a);
            continue;
        }
        if (!a.startsWith(QStringLiteral("--"))) {
            for (qsizetype c = 1; c < a.size(); ++c) {
                const QString name = shortFlags.value(a.at(c));
                if (name.isEmpty()) {
                    error_ = QStringLiteral("unknown option -") + a.at(c) +
                             (a.size() > 2 ? QStringLiteral(" in ") + a : QString());
                    return;
                }
                flags_.append(name);
            }
            continue;
        }
        if (a == QStringLiteral("--")) {
            onlyPositional = true;
            continue;
        }
        QString name = a.mid(2);
        QString value;
        bool inlineValue = false;
        const qsizetype eq = name.indexOf(u'=');
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name.truncate(eq);
            inlineValue = true;
        }
        if (valueOptions.contains(name)) {
            if (!inlineValue) {
                if (i + 1 >= raw.size()) {
                    error_ = QStringLiteral("--") + name + QStringLiteral(" needs a value");
                    return;
                }
                value = raw.at(++i);
            }
            values_[name].append(value);
        } else if (flagOptions.contains(name) && !inlineValue) {
            flags_.append(name);
        } else {
            error_ = QStringLiteral("unknown option ") + a;
            return;
        }
    }
}

QString Args::Value(const QString& name, const QString& fallback) const {
    const QStringList v = values_.value(name);
    return v.isEmpty() ? fallback : v.last();
}

namespace {
QString& CallerDirStore() {
    static QString dir;
    return dir;
}

std::vector<Command>& Table() {
    static std::vector<Command> table;
    return table;
}
}  // namespace

bool Register(const Command& command) {
    Table().push_back(command);
    return true;
}

const std::vector<Command>& Commands() {
    return Table();
}

const Command* FindCommand(const QString& name) {
    for (const Command& c : Table()) {
        if (name == QString::fromUtf8(c.name)) return &c;
    }
    return nullptr;
}

void SetCallerDir(const QString& dir) {
    CallerDirStore() = dir;
}

QString CallerPath(const QString& path) {
    if (path.isEmpty() || QDir::isAbsolutePath(path) || CallerDirStore().isEmpty()) return path;
    return QDir::cleanPath(CallerDirStore() + u'/' + path);
}

QString StdinToFile(const QTemporaryDir& dir) {
    if (!dir.isValid()) return QString();
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly)) return QString();
    const QByteArray bytes = in.readAll();
    QFile out(dir.filePath(QStringLiteral("stdin")));
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return QString();
    return out.fileName();
}

QString TsvCell(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
            case u'\t':
                out += QStringLiteral("\\t");
                break;
            case u'\n':
                out += QStringLiteral("\\n");
                break;
            case u'\r':
                out += QStringLiteral("\\r");
                break;
            case u'\\':
                out += QStringLiteral("\\\\");
                break;
            default:
                out += c;
        }
    }
    return out;
}

void PrintTsvRow(const QStringList& cells) {
    QStringList escaped;
    escaped.reserve(cells.size());
    for (const QString& c : cells) escaped.append(TsvCell(c));
    PrintLine(escaped.join(u'\t'));
}

void PrintLine(const QString& text) {
    const QByteArray b = (text + u'\n').toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
}

void PrintError(const QString& text) {
    const QByteArray b = (text + u'\n').toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stderr);
}

int UsageError(const Command& command, const QString& reason) {
    if (!reason.isEmpty()) PrintError(QStringLiteral("korvi-run: ") + reason);
    PrintError(QStringLiteral("usage: korvi-run ") + QString::fromUtf8(command.usage));
    return kUsage;
}

}  // namespace korvi::cli
