#include "cli/Commands.h"

#include "cli/FileCommands.h"

#include <array>

namespace Commands {

namespace {

const std::array<CliCommand, 3> &table()
{
    static const std::array<CliCommand, 3> commands{{
        {QStringLiteral("info"), QStringLiteral("ФАЙЛ"), 1,
         QStringLiteral("сводка проекта: кольца, направления, программы, планы"),
         QStringLiteral("Показывает описание проекта, число колец и по каждому кольцу:\n"
                        "направления (число и типы), программы с числом фаз и длительностью\n"
                        "цикла, дневные, недельные планы и годовой план.\n"),
         &runInfo},
        {QStringLiteral("check"), QStringLiteral("ФАЙЛ"), 1,
         QStringLiteral("проверка проекта перед загрузкой в ДК"),
         QStringLiteral("Проверяет каждое кольцо, как перед загрузкой в ДК. Ошибки:\n"
                        "трамвайный светофор задан не полностью, шаблон фаз против матрицы\n"
                        "конфликтов, выход ДК занят дважды, запись дневного плана с программой\n"
                        "без фаз, недельный план с дневным планом без записей, Тосн больше\n"
                        "максимальной длительности фазы. Предупреждения: времена дневного\n"
                        "плана не возрастают, недели годового плана на незаполненном недельном\n"
                        "плане, Тосн меньше Тмин, направление без выходов.\n"
                        "Каждая находка - одна строка с кольцом и местом; в JSON - поля kind,\n"
                        "severity, ring, place, at (номера места) и message.\n"
                        "Код выхода: 0 - замечаний нет, 1 - только предупреждения, 2 - ошибки.\n"),
         &runCheck},
        {QStringLiteral("diff"), QStringLiteral("A B"), 2,
         QStringLiteral("различия двух проектов поле за полем"),
         QStringLiteral("Перечисляет различия двух файлов проекта по полям: описание, число\n"
                        "колец, направления, шаблоны, параметры безопасности, конфликты,\n"
                        "программы и фазы, дневные и недельные планы, годовой план.\n"
                        "Байты без имени называются кольцом, блоком и смещением.\n"
                        "Контрольные суммы и поля размера блоков не сравниваются: они\n"
                        "следуют из остальных байтов.\n"
                        "Код выхода: 0 - файлы совпадают, 1 - есть различия.\n"),
         &runDiff},
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
    for (const CliCommand &command : table())
        out << "  "
            << QStringLiteral("%1 %2").arg(command.name, command.arguments).leftJustified(14)
            << command.summary << '\n';
    out << "\nПараметры:\n"
        << "  --json    вывод в JSON для программ\n"
        << "  --help    эта справка; после команды - справка по команде\n\n"
        << "Коды выхода: 0 - без замечаний, 1 - предупреждения или различия,\n"
        << "2 - ошибки проекта, файл не открылся или неверная командная строка.\n";
}

void printCommandHelp(const CliCommand &command, QTextStream &out)
{
    out << "Использование: " << usage(command) << "\n\n"
        << command.help << "\n  --json    вывод в JSON\n  --help    эта справка\n";
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
    CliContext context{out, err};
    QStringList files;
    for (const QString &argument : arguments.sliced(1)) {
        if (isHelp(argument)) {
            printCommandHelp(*command, out);
            return ExitCode::Clean;
        }
        if (argument == QLatin1String("--json"))
            context.json = true;
        else if (argument.startsWith(QLatin1String("--"))) {
            err << "Неизвестный параметр \"" << argument << "\"\n";
            return ExitCode::Failure;
        } else
            files << argument;
    }
    if (files.size() != command->argumentCount) {
        err << "Использование: " << usage(*command) << '\n';
        return ExitCode::Failure;
    }
    return command->run(files, context);
}

} // namespace Commands
