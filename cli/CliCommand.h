#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// One subcommand of velt-cli. The controller commands join the table in Commands.cpp the same
// way as the file commands, so the dispatch and --help need no change for them.
struct CliContext
{
    QTextStream &out;
    QTextStream &err;
    bool json = false;
};

// Exit statuses shared by every subcommand.
namespace ExitCode {
inline constexpr int Clean = 0;
inline constexpr int Findings = 1; // warnings, or differences
inline constexpr int Failure = 2;  // errors, an unreadable file, a wrong command line
} // namespace ExitCode

struct CliCommand
{
    QString name;
    QString arguments; // "FILE", "A B"
    int argumentCount = 0;
    QString summary;
    QString help;
    int (*run)(const QStringList &files, CliContext &context) = nullptr;
};
