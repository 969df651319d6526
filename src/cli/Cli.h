#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

class QTemporaryDir;

#include <vector>

namespace korvi {
class Context;
}

namespace korvi::cli {

// Exit codes of every subcommand; a crawl also ends with 4 or 8 (see
// RunExitStatus).
inline constexpr int kOk = 0;
inline constexpr int kFail = 1;
inline constexpr int kUsage = 2;

// Options of one subcommand: which take a value (repeatable) and which are
// flags. A short option ("-q") stands for the long flag it maps to; several
// short flags may share one dash ("-qv"). Any other word starting with "-"
// (but "-" itself) is an unknown option; "--" ends the options.
class Args {
public:
    Args(const QStringList& raw, const QStringList& valueOptions, const QStringList& flagOptions,
         const QMap<QChar, QString>& shortFlags = {});
    bool Ok() const { return error_.isEmpty(); }
    const QString& Error() const { return error_; }
    bool Has(const QString& name) const { return values_.contains(name) || flags_.contains(name); }
    QString Value(const QString& name, const QString& fallback = QString()) const;
    QStringList Values(const QString& name) const { return values_.value(name); }
    bool Flag(const QString& name) const { return flags_.contains(name); }
    const QStringList& Positional() const { return positional_; }

private:
    QMap<QString, QStringList> values_;
    QStringList flags_;
    QStringList positional_;
    QString error_;
};

// One subcommand: name, usage line, entry point.
using CommandFn = int (*)(Context& ctx, const QStringList& args);
struct Command {
    const char* name;
    const char* usage;
    CommandFn run;
    // False for a command that only talks to a running instance: its home is
    // then neither created, seeded nor read, and nothing is written there.
    bool usesHome = true;
};

bool Register(const Command& command);
const std::vector<Command>& Commands();

// The folder korvi-run was started from; relative paths given on its command
// line are resolved against it, since the program itself runs in the home.
void SetCallerDir(const QString& dir);
QString CallerPath(const QString& path);

// The standard input (a list given as "-") saved as the file "stdin" in dir;
// empty when it cannot be read or written.
QString StdinToFile(const QTemporaryDir& dir);

// Output helpers: a TSV cell escapes TAB, LF, CR and backslash.
QString TsvCell(const QString& text);
void PrintTsvRow(const QStringList& cells);
void PrintLine(const QString& text);
void PrintError(const QString& text);
// Prints "usage: korvi-run USAGE" plus the reason; returns kUsage.
int UsageError(const Command& command, const QString& reason);

// The whole help of the program (usage, commands, exit status) and of one
// command; both end with a newline.
QString ProgramHelp();
QString CommandHelp(const Command& command);
const Command* FindCommand(const QString& name);

}  // namespace korvi::cli

// Registers a subcommand from its own source file.
#define KORVI_CLI_COMMAND(ident, name, usage, fn) \
    static const bool korvi_cli_registered_##ident = ::korvi::cli::Register({name, usage, fn})

// Registers a subcommand that leaves the home alone (Command::usesHome).
#define KORVI_CLI_COMMAND_NO_HOME(ident, name, usage, fn) \
    static const bool korvi_cli_registered_##ident =      \
        ::korvi::cli::Register({name, usage, fn, false})
