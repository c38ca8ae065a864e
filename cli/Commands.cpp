#include "cli/Commands.h"

#include "cli/FileCommands.h"
#include "cli/LinkCommands.h"

#include "check/Finding.h"

#include <algorithm>
#include <array>

namespace Commands {

namespace {

// The kinds are listed from the check's own table, so a new kind shows up here by itself.
QString checkHelp()
{
    QString help = QStringLiteral("Проверяет каждое кольцо, как перед загрузкой в ДК.\n");
    for (const ProjectCheck::Severity severity :
         {ProjectCheck::Severity::Error, ProjectCheck::Severity::Warning}) {
        help += severity == ProjectCheck::Severity::Error ? QStringLiteral("Ошибки:\n")
                                                          : QStringLiteral("Предупреждения:\n");
        for (const ProjectCheck::KindInfo &kind : ProjectCheck::Kinds)
            if (kind.severity == severity)
                help += QStringLiteral("  %1 %2\n")
                            .arg(QString::fromLatin1(kind.id).leftJustified(25),
                                 QString::fromUtf8(kind.summary));
    }
    return help + QStringLiteral(
                      "Каждая находка - одна строка с кольцом и местом; в JSON - поля kind,\n"
                      "severity, ring, place, at (номера места) и message.\n"
                      "Код выхода: 0 - замечаний нет, 1 - только предупреждения, 2 - ошибки.\n");
}

const std::array<CliCommand, 7> &table()
{
    static const std::array<CliCommand, 7> commands{{
        {QStringLiteral("info"),
         QStringLiteral("ФАЙЛ"),
         1,
         QStringLiteral("сводка проекта: кольца, направления, программы, планы"),
         QStringLiteral("Показывает описание проекта, число колец и по каждому кольцу:\n"
                        "направления (число и типы), программы с числом фаз и длительностью\n"
                        "цикла, дневные, недельные планы и годовой план.\n"),
         &runInfo,
         {},
         false},
        {QStringLiteral("check"),
         QStringLiteral("ФАЙЛ"),
         1,
         QStringLiteral("проверка проекта перед загрузкой в ДК"),
         checkHelp(),
         &runCheck,
         {},
         false},
        {QStringLiteral("diff"),
         QStringLiteral("A B"),
         2,
         QStringLiteral("различия двух проектов поле за полем"),
         QStringLiteral("Перечисляет различия двух файлов проекта по полям: описание, число\n"
                        "колец, направления, шаблоны, параметры безопасности, конфликты,\n"
                        "программы и фазы, дневные и недельные планы, годовой план.\n"
                        "Байты без имени называются кольцом, блоком и смещением.\n"
                        "Контрольные суммы и поля размера блоков не сравниваются: они\n"
                        "следуют из остальных байтов.\n"
                        "Код выхода: 0 - файлы совпадают, 1 - есть различия.\n"),
         &runDiff,
         {},
         false},
        uploadCommand(),
        downloadCommand(),
        verifyCommand(),
        backupCommand(),
    }};
    return commands;
}

QString usage(const CliCommand &command)
{
    return QStringLiteral("velt-cli %1 [--json] %2").arg(command.name, command.arguments);
}

void printToolHelp(QTextStream &out)
{
    out << "velt-cli - конфигуратор ДК из терминала\n\n"
        << "Использование: velt-cli КОМАНДА [--json] АРГУМЕНТЫ\n"
        << "               velt-cli КОМАНДА --help\n\n"
        << "Команды:\n";
    for (const CliCommand &command : table()) {
        const QString head = QStringLiteral("%1 %2").arg(command.name, command.arguments);
        // A long synopsis gets a line of its own, so the summaries stay in one column.
        if (head.size() < 14)
            out << "  " << head.leftJustified(14) << command.summary << '\n';
        else
            out << "  " << head << '\n' << QString(16, QLatin1Char(' ')) << command.summary << '\n';
    }
    out << "\nКоманды upload, download, verify и backup говорят с ДК так же, как окно\n"
        << "\"Загрузка/Выгрузка\"; их параметры - в справке каждой команды.\n";
    out << "\nПараметры:\n"
        << "  --json    вывод в JSON для программ\n"
        << "  --help    эта справка; после команды - справка по команде\n\n"
        << "Коды выхода: 0 - без замечаний, 1 - предупреждения или различия,\n"
        << "2 - ошибки проекта, файл не открылся или неверная командная строка.\n"
        << "Команды обмена с ДК: 0 - всё выполнено, 1 - хотя бы один ДК не ответил\n"
        << "или не принял проект, 2 - неверная командная строка или файл.\n";
}

void printCommandHelp(const CliCommand &command, QTextStream &out)
{
    out << "Использование: " << usage(command) << "\n\n" << command.help << '\n';
    for (const CliOption &option : command.options) {
        QString name = option.name;
        if (!option.shortName.isEmpty())
            name = option.shortName + QStringLiteral(", ") + name;
        if (!option.value.isEmpty())
            name += QLatin1Char(' ') + option.value;
        out << "  " << name.leftJustified(22) << ' ' << option.help << '\n';
    }
    out << "  --json                 вывод в JSON\n  --help                 эта справка\n";
}

const CliCommand *find(const QString &name)
{
    for (const CliCommand &command : table())
        if (command.name == name)
            return &command;
    return nullptr;
}

bool isHelp(const QString &argument)
{
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}

} // namespace

int run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    if (arguments.isEmpty() || isHelp(arguments.first())) {
        printToolHelp(arguments.isEmpty() ? err : out);
        return arguments.isEmpty() ? ExitCode::Failure : ExitCode::Clean;
    }
    const CliCommand *command = find(arguments.first());
    if (!command) {
        err << "Неизвестная команда \"" << arguments.first()
            << "\". Список команд: velt-cli --help\n";
        return ExitCode::Failure;
    }
    CliContext context{out, err, false, {}};
    QStringList files;
    for (const QString &argument : arguments.sliced(1)) {
        if (isHelp(argument)) {
            printCommandHelp(*command, out);
            return ExitCode::Clean;
        }
    }
    const QStringList rest = arguments.sliced(1);
    for (qsizetype i = 0; i < rest.size(); ++i) {
        const QString &argument = rest[i];
        if (argument == QLatin1String("--json")) {
            context.json = true;
            continue;
        }
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            files << argument;
            continue;
        }
        const QString name = argument.section(QLatin1Char('='), 0, 0);
        const auto option =
            std::find_if(command->options.cbegin(), command->options.cend(),
                         [&](const CliOption &o) { return o.name == name || o.shortName == name; });
        if (option == command->options.cend()) {
            err << "Неизвестный параметр \"" << argument << "\"\n";
            return ExitCode::Failure;
        }
        if (context.options.contains(option->name)) {
            err << "Параметр " << option->name << " указан дважды\n";
            return ExitCode::Failure;
        }
        if (option->value.isEmpty()) {
            if (name != argument) {
                err << "Параметр " << option->name << " не принимает значения\n";
                return ExitCode::Failure;
            }
            context.options.insert(option->name, QString());
        } else if (name != argument) {
            context.options.insert(option->name, argument.section(QLatin1Char('='), 1));
        } else if (i + 1 < rest.size()) {
            context.options.insert(option->name, rest[++i]);
        } else {
            err << "Параметру " << option->name << " нужно значение " << option->value << '\n';
            return ExitCode::Failure;
        }
    }
    if (files.size() < command->argumentCount ||
        (files.size() > command->argumentCount && !command->moreArguments)) {
        err << "Использование: " << usage(*command) << '\n';
        return ExitCode::Failure;
    }
    return command->run(files, context);
}

} // namespace Commands
