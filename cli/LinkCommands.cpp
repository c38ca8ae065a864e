#include "cli/LinkCommands.h"

#include "cli/ControllerAddress.h"
#include "cli/ControllerJob.h"
#include "cli/FleetVerify.h"
#include "cli/JsonOutput.h"
#include "cli/LinkOptions.h"
#include "cli/ProgressLine.h"
#include "link/ControllerLink.h"
#include "link/ProjectTransfer.h"
#include "link/SerialTransport.h"
#include "link/UdpTransport.h"
#include "model/ProjectFile.h"

#include <qcoro/qcorotask.h>

namespace {

const QString kTo = QStringLiteral("--to");
const QString kFrom = QStringLiteral("--from");
const QString kSerial = QStringLiteral("--serial");
const QString kOutput = QStringLiteral("--output");

CliOption addressOption(const QString &name)
{
    return {name,
            QStringLiteral("АДРЕС[:ПОРТ]"),
            QStringLiteral("ДК по Ethernet (UDP), порт по умолчанию %1")
                .arg(ControllerAddress::DefaultPort),
            {}};
}

CliOption serialOption()
{
    return {kSerial,
            QStringLiteral("УСТРОЙСТВО"),
            QStringLiteral("ДК по USB: COM1..COM9 или путь к устройству (/dev/ttyUSB0)"),
            {}};
}

CliOption outputOption(const QString &what)
{
    return {kOutput, QStringLiteral("ФАЙЛ"), what, QStringLiteral("-o")};
}

// The window's link, made for one controller: its serial port and its UDP pair.
struct DirectLink
{
    SerialTransport serial;
    UdpTransport udp;
    ControllerLink link{serial, udp};
    QString target;
};

// Points the link at the one controller the command line names; an error text otherwise.
QString prepare(DirectLink &direct, CliContext &context, const QString &addressName)
{
    const bool udp = context.has(addressName);
    if (udp == context.has(kSerial))
        return QStringLiteral("Нужен ровно один из параметров %1 и %2").arg(addressName, kSerial);
    const auto rounds = LinkOptions::waitRounds(context);
    if (!rounds)
        return QStringLiteral("Неверное значение --wait");
    if (*rounds > 0)
        direct.link.setUdpWaitRounds(*rounds);
    if (!udp) {
        direct.link.setLinkType(LinkKind::Serial);
        direct.link.setConfiguredPort(context.value(kSerial));
        direct.target = context.value(kSerial);
        return {};
    }
    const auto address = ControllerAddress::parse(context.value(addressName));
    if (!address)
        return QStringLiteral("Неверный адрес ДК \"%1\"").arg(context.value(addressName));
    direct.link.setLinkType(LinkKind::Ethernet);
    // As the window does: the receiver listens at the controller's port, where it answers.
    direct.udp.setLocalPort(address->port);
    direct.udp.setPeer(address->address, address->port);
    if (!direct.udp.open())
        return QStringLiteral("Не удалось открыть порт UDP %1 для ответов ДК: %2")
            .arg(address->port)
            .arg(direct.udp.errorString());
    direct.target = address->text();
    return {};
}

// Runs one transfer to its end, with a progress line on a terminal.
ControllerJob::Outcome runJob(ControllerJob &job, CliContext &context,
                              QCoro::Task<ControllerJob::Outcome> task)
{
    ProgressLine progress(context.err);
    const auto shown =
        QObject::connect(&job, &ControllerJob::progressChanged, &job, [&](int percent) {
            progress.show(QStringLiteral("%1 %2%").arg(job.label()).arg(percent));
        });
    ControllerJob::Outcome outcome = QCoro::waitFor(std::move(task));
    QObject::disconnect(shown);
    progress.clear();
    return outcome;
}

int report(CliContext &context, const QString &command, const QString &target,
           const ControllerJob::Outcome &outcome, const QString &file = {})
{
    if (context.json) {
        QJsonObject object{{QStringLiteral("command"), command},
                           {QStringLiteral("controller"), target},
                           {QStringLiteral("ok"), outcome.ok},
                           {QStringLiteral("message"), outcome.message},
                           {QStringLiteral("log"), QJsonArray::fromStringList(outcome.log)}};
        if (!file.isEmpty())
            object.insert(QStringLiteral("file"), file);
        writeJson(context.out, object);
    } else {
        for (const QString &line : outcome.log)
            context.out << line << '\n';
        (outcome.ok ? context.out : context.err) << outcome.message << '\n';
    }
    return outcome.ok ? ExitCode::Clean : ExitCode::Findings;
}

bool openProject(RingModel &model, const QString &path, CliContext &context)
{
    const ProjectFile::OpenResult opened = ProjectFile::open(model, path);
    if (!opened.ok()) {
        context.err << opened.error << '\n';
        return false;
    }
    if (opened.ringsRead == 0) {
        context.err << "Файл \"" << path
                    << "\" не является проектом ДК: в нем нет ни одного кольца\n";
        return false;
    }
    return true;
}

} // namespace

CliCommand uploadCommand()
{
    return {QStringLiteral("upload"),
            QStringLiteral("ФАЙЛ --to АДРЕС | --serial УСТР; --fleet СПИСОК ФАЙЛ..."),
            1,
            QStringLiteral("загрузить проект в ДК или во все ДК списка"),
            QStringLiteral(
                "Загружает проект в ДК так же, как кнопка \"%1\": проверка\n"
                "проекта (ошибки останавливают, предупреждения - без --accept-warnings тоже),\n"
                "определение версии ДК, пакеты с\n"
                "повторами, стирание лишних колец, затем чтение загруженного обратно.\n"
                "С --fleet проект загружается во все ДК списка по UDP, по --jobs сразу;\n"
                "с несколькими файлами каждый ДК получает файл со своим именем (имя.velt);\n"
                "два файла с одним именем - ошибка.\n"
                "Каждому ДК - одна строка результата, в конце итог.\n"
                "Код выхода: 0 - загружено везде, 1 - хотя бы один ДК не принял проект.\n")
                .arg(ProjectTransfer::kUploadCaption),
            &runUpload,
            {addressOption(kTo), serialOption(), LinkOptions::fleet(), LinkOptions::jobs(),
             LinkOptions::noVerify(), LinkOptions::oneRing(), LinkOptions::acceptWarnings(),
             LinkOptions::wait()},
            true};
}

CliCommand downloadCommand()
{
    return {
        QStringLiteral("download"),
        QStringLiteral("--from АДРЕС | --serial УСТР -o ФАЙЛ"),
        0,
        QStringLiteral("выгрузить проект из ДК в файл"),
        QStringLiteral("Читает проект из ДК так же, как кнопка \"%1\", и\n"
                       "сохраняет кольца, чьи контрольные суммы сошлись. Файл заменяется целиком\n"
                       "только после успешного чтения; при сбое прежний файл не меняется.\n"
                       "Код выхода: 0 - выгружено, 1 - ДК не ответил или проект не выгружен.\n")
            .arg(ProjectTransfer::kDownloadCaption),
        &runDownload,
        {addressOption(kFrom), serialOption(), outputOption(QStringLiteral("куда сохранить")),
         LinkOptions::wait()},
        false};
}

CliCommand verifyCommand()
{
    return {QStringLiteral("verify"),
            QStringLiteral("ФАЙЛ --from АДРЕС | --serial УСТР; --fleet СПИСОК КАТАЛОГ"),
            1,
            QStringLiteral("сравнить проект в ДК с файлом или все ДК списка с их копиями"),
            QStringLiteral("Читает проект из ДК и сравнивает каждое кольцо с файлом в том виде, в\n"
                           "каком его загрузило бы окно. Называет первое отличие.\n"
                           "С --fleet каждый ДК списка сравнивается с копией КАТАЛОГ/имя.velt;\n"
                           "называются ДК, чей проект отличается (и какие кольца), ДК с другим\n"
                           "числом колец и ДК, которые не ответили. С --quick читаются только\n"
                           "первый и последний пакет блока проекта каждого кольца: контрольные\n"
                           "суммы, которые ДК хранит. Это не доказывает, что память за ними цела.\n"
                           "Код выхода: 0 - совпадает, 1 - отличается или ДК не ответил.\n"),
            &runVerify,
            {addressOption(kFrom), serialOption(), LinkOptions::fleet(), FleetVerify::quick(),
             LinkOptions::jobs(), LinkOptions::wait()},
            false};
}

CliCommand backupCommand()
{
    return {QStringLiteral("backup"),
            QStringLiteral("--fleet СПИСОК -o КАТАЛОГ"),
            0,
            QStringLiteral("выгрузить проекты всех ДК списка в КАТАЛОГ/имя.velt"),
            QStringLiteral("Выгружает проект каждого ДК списка по UDP, по --jobs сразу, в файл\n"
                           "КАТАЛОГ/имя.velt. Файл заменяется атомарно и только если проект в ДК\n"
                           "изменился; при сбое прежняя копия остается как была.\n"
                           "Список: строка \"имя адрес[:порт]\" на ДК; '#' - комментарий до конца\n"
                           "строки; пустые строки пропускаются; неверная строка, повтор имени или\n"
                           "адреса - ошибка, и тогда ни один ДК не опрашивается.\n"
                           "Пишется только обычный файл: символическая ссылка, канал или\n"
                           "устройство на месте копии - ошибка этого ДК. Копия, где колец больше,\n"
                           "чем выгружено, не заменяется без --allow-fewer-rings.\n"
                           "Код выхода: 0 - все ДК сохранены, 1 - хотя бы один не выгружен.\n"),
            &runBackup,
            {LinkOptions::fleet(), outputOption(QStringLiteral("каталог для копий")),
             LinkOptions::jobs(), LinkOptions::wait(), LinkOptions::allowFewerRings()},
            false};
}

int runUpload(const QStringList &files, CliContext &context)
{
    if (context.has(LinkOptions::fleet().name))
        return runFleetUpload(files, context);
    if (files.size() != 1) {
        context.err << "Без --fleet загружается один файл\n";
        return ExitCode::Failure;
    }
    DirectLink direct;
    const QString error = prepare(direct, context, kTo);
    if (!error.isEmpty()) {
        context.err << error << '\n';
        return ExitCode::Failure;
    }
    ControllerJob job(direct.link);
    if (!openProject(job.model(), files.first(), context))
        return ExitCode::Failure;
    job.setVerifyAfterUpload(!context.has(LinkOptions::noVerify().name));
    job.setOneRingAllowed(context.has(LinkOptions::oneRing().name));
    job.setWarningsAccepted(context.has(LinkOptions::acceptWarnings().name));
    const auto outcome = runJob(job, context, job.upload());
    return report(context, QStringLiteral("upload"), direct.target, outcome, files.first());
}

int runDownload(const QStringList &, CliContext &context)
{
    if (!context.has(kOutput)) {
        context.err << "Нужен файл: -o ФАЙЛ\n";
        return ExitCode::Failure;
    }
    DirectLink direct;
    const QString error = prepare(direct, context, kFrom);
    if (!error.isEmpty()) {
        context.err << error << '\n';
        return ExitCode::Failure;
    }
    ControllerJob job(direct.link);
    ControllerJob::Outcome outcome = runJob(job, context, job.download());
    const QString path = context.value(kOutput);
    if (outcome.ok) {
        if (const auto failure = ProjectFile::save(job.model(), path)) {
            outcome.ok = false;
            outcome.message = *failure;
        } else {
            outcome.message += QStringLiteral("; сохранено в ") + path;
        }
    }
    return report(context, QStringLiteral("download"), direct.target, outcome, path);
}

int runVerify(const QStringList &files, CliContext &context)
{
    if (context.has(LinkOptions::fleet().name))
        return runFleetVerify(files, context);
    if (context.has(FleetVerify::quick().name) || context.has(LinkOptions::jobs().name)) {
        context.err << "--quick и --jobs - только с --fleet\n";
        return ExitCode::Failure;
    }
    DirectLink direct;
    const QString error = prepare(direct, context, kFrom);
    if (!error.isEmpty()) {
        context.err << error << '\n';
        return ExitCode::Failure;
    }
    RingModel expected;
    if (!openProject(expected, files.first(), context))
        return ExitCode::Failure;
    ControllerJob job(direct.link);
    const auto outcome = runJob(job, context, job.verify(expected));
    return report(context, QStringLiteral("verify"), direct.target, outcome, files.first());
}
