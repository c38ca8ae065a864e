#pragma once

#include <QHash>
#include <QList>
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
    // The subcommand's own options as given: a switch maps to an empty text.
    QHash<QString, QString> options;

    [[nodiscard]] bool has(const QString &option) const { return options.contains(option); }
    [[nodiscard]] QString value(const QString &option) const { return options.value(option); }
};

// An option of one subcommand: "--to" with the value "АДРЕС[:ПОРТ]", or a switch when
// `value` is empty.
struct CliOption
{
    QString name;
    QString value;
    QString help;
    QString shortName; // "-o"
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
    QList<CliOption> options;
    // More files than argumentCount may follow.
    bool moreArguments = false;
};
