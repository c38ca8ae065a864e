#include "config/Directions.h"
#include "model/ByteIO.h"
#include "model/Description.h"
#include "model/ProjectFile.h"
#include "model/RingModel.h"
#include "programs/Tacts.h"
#include "schedules/WeekPlans.h"
#include "schedules/YearPlan.h"
#include "support/CheckClean.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <functional>

namespace PL = ProjectLayout;
namespace DL = DirectionLayout;

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run runCli(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(VELT_CLI_PATH), arguments);
    Run run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// An edit made by one of the editors, on the model before it is saved.
using Edit = std::function<void(RingModel &)>;

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestCli : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    int m_files = 0;

    // A new project of two rings with the edit applied, saved as the window saves it.
    QString saveProject(const Edit &edit = {}, int rings = 2)
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(rings);
        if (edit)
            edit(model);
        const QString path = m_dir.filePath(QStringLiteral("p%1.vlt").arg(++m_files));
        const auto error = ProjectFile::save(model, path);
        return error ? QString() : path;
    }

private slots:
    void infoOfTwoRings()
    {
        const QString path = saveProject([](RingModel &m) {
            setProjectDescription(m.project(), QStringLiteral("Ленина - Мира"));
            m.store(1).project[PL::DirectionCount] = 3;
            m.store(1).project[directionOffset(2) + DL::Type] = Napr::Pedestrian;
        });
        QVERIFY(!path.isEmpty());
        const Run run = runCli({QStringLiteral("info"), path});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(QStringLiteral("Описание: Ленина - Мира")), qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral("Колец: 2")));
        QVERIFY(run.out.contains(QStringLiteral("Направления (3): 1. транспорт, 2. транспорт, "
                                                "3. пешеход")));

        RingModel model;
        model.NewProjectDefaults();
        Takts takts;
        takts.bind(model.project(), model.programs());
        QVERIFY(run.out.contains(
            QStringLiteral("программа 1: фаз 2, цикл %1 c").arg(takts.cycleLength(0))));
        QVERIFY(run.out.contains(QStringLiteral("Годовой план: недели 1-54: недельный план 1")));

        const Run json = runCli({QStringLiteral("info"), QStringLiteral("--json"), path});
        QCOMPARE(json.status, 0);
        QJsonParseError error;
        const QJsonObject info = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(info[QStringLiteral("ringCount")].toInt(), 2);
        const QJsonArray rings = info[QStringLiteral("rings")].toArray();
        QCOMPARE(rings.size(), 2);
        QCOMPARE(rings[1].toObject()[QStringLiteral("directions")].toArray().size(), 3);
        const QJsonArray programs = rings[0].toObject()[QStringLiteral("programs")].toArray();
        QCOMPARE(programs.first().toObject()[QStringLiteral("cycle")].toInt(),
                 takts.cycleLength(0));
    }

    // The two-ring project of every check row has ring 2 wired, so that only the planted
    // fault is found.
    void check_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QJsonObject>("at");
        const auto at = [](int ring, const char *name = nullptr, int index = 0,
                           const char *name2 = nullptr, int index2 = 0) {
            QJsonObject o{{QStringLiteral("ring"), ring}};
            if (name)
                o.insert(QLatin1String(name), index);
            if (name2)
                o.insert(QLatin1String(name2), index2);
            return o;
        };
        QTest::newRow("clean") << Edit{} << 0 << QStringLiteral("Замечаний нет") << QString()
                               << QJsonObject();
        QTest::newRow("conflicting template") << Edit([](RingModel &m) {
            m.project()[templateMarkOffset(2, 0)] = 1;
            m.project()[templateMarkOffset(2, 1)] = 1;
            // Both cells, with times: a one-way flag is a finding of its own.
            for (const auto &[i, j] : {std::pair{0, 1}, std::pair{1, 0}}) {
                m.project()[conflictFlagOffset(i, j)] = 1;
                m.project()[conflictTimeOffset(i, j)] = 3;
            }
        }) << 2 << QStringLiteral("ошибка: кольцо 1, шаблон 3: направления 1 и 2")
                                              << QStringLiteral("template-conflict")
                                              << at(1, "template", 3);
        QTest::newRow("conflict in the second ring") << Edit([](RingModel &m) {
            m.store(1).project[templateMarkOffset(0, 1)] = 1;
            for (const auto &[i, j] : {std::pair{0, 1}, std::pair{1, 0}}) {
                m.store(1).project[conflictFlagOffset(i, j)] = 1;
                m.store(1).project[conflictTimeOffset(i, j)] = 3;
            }
        }) << 2 << QStringLiteral("ошибка: кольцо 2, шаблон 1: направления 1 и 2")
                                                     << QStringLiteral("template-conflict")
                                                     << at(2, "template", 1);
        QTest::newRow("incomplete tram signal") << Edit([](RingModel &m) {
            m.store(1).project[directionOffset(1) + DL::Type] = Napr::TramLeft;
        }) << 2 << QStringLiteral("ошибка: кольцо 2, трамвайный сигнал 1")
                                                << QStringLiteral("tram-signal")
                                                << at(2, "tramSignal", 1, "direction", 2);
        QTest::newRow("day plan out of order") << Edit([](RingModel &m) {
            const std::size_t plan = dayPlanOffset(4);
            m.project()[plan + DayPlanLayout::EntryCount] = 2;
            writeU32(m.project(), dayPlanEntryOffset(4, 0) + DayPlanLayout::EntryStart, 600);
            writeU32(m.project(), dayPlanEntryOffset(4, 1) + DayPlanLayout::EntryStart, 300);
        }) << 1 << QStringLiteral("предупреждение: кольцо 1, дневной план 5, запись 2")
                                               << QStringLiteral("day-plan-order")
                                               << at(1, "dayPlan", 5, "entry", 2);
        QTest::newRow("channel bound in both rings") << Edit([](RingModel &m) {
            m.store(1).project[directionOffset(0) + DL::Green1 + DL::BindingGroup] = 2;
        }) << 2 << QStringLiteral("ошибка: кольцо 2, направление 1: выход группы 2, цвет З")
                                                     << QStringLiteral("output-twice")
                                                     << at(2, "direction", 1);
        QTest::newRow("phase longer than the maximum") << Edit([](RingModel &m) {
            writeU16(m.store(1).programs, phaseOffset(3, 1) + PhaseLayout::MainTime, 4000);
        }) << 2 << QStringLiteral("ошибка: кольцо 2, программа 4, фаза 2: Тосн 4000 c")
                                                       << QStringLiteral("phase-above-maximum")
                                                       << at(2, "program", 4, "phase", 2);
        QTest::newRow("year weeks on an unfilled week plan")
            << Edit([](RingModel &m) { Year::setRange(m.project(), 0, 53, 3); }) << 1
            << QStringLiteral("предупреждение: кольцо 1, неделя 1: недели 1-54: недельный план 4")
            << QStringLiteral("year-unfilled-week-plan") << at(1, "week", 1);
    }

    void check()
    {
        QFETCH(Edit, edit);
        QFETCH(int, status);
        QFETCH(QString, line);
        QFETCH(QString, kind);
        QFETCH(QJsonObject, at);
        const QString path = saveProject([&edit](RingModel &m) {
            wireEveryRing(m);
            m.ReloadRing(0);
            if (edit)
                edit(m);
        });
        const Run run = runCli({QStringLiteral("check"), path});
        QCOMPARE(run.status, status);
        QVERIFY2(run.out.contains(line), qPrintable(run.out));

        const Run json = runCli({QStringLiteral("check"), QStringLiteral("--json"), path});
        QCOMPARE(json.status, status);
        QJsonParseError error;
        const QJsonArray findings = QJsonDocument::fromJson(json.out.toUtf8(), &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(findings.size(), status == 0 ? 0 : 1);
        if (status == 0)
            return;
        const QJsonObject finding = findings.first().toObject();
        QCOMPARE(finding[QStringLiteral("kind")].toString(), kind);
        QCOMPARE(finding[QStringLiteral("severity")].toString(),
                 status == 2 ? QStringLiteral("error") : QStringLiteral("warning"));
        QCOMPARE(finding[QStringLiteral("at")].toObject(), at);
        QVERIFY(run.out.contains(finding[QStringLiteral("message")].toString()));
    }

    void diffWithItself()
    {
        const QString path = saveProject();
        const Run run = runCli({QStringLiteral("diff"), path, path});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.isEmpty());
        QVERIFY(run.err.isEmpty());
    }

    void diffNamesTheEdit_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<int>("rings");
        QTest::addColumn<QString>("line");
        QTest::newRow("phase main time") << Edit([](RingModel &m) {
            writeU16(m.programs(), phaseOffset(2, 1) + PhaseLayout::MainTime, 25);
        }) << 2 << QStringLiteral("кольцо 1, программа 3, фаза 2: Тосн 10 → 25");
        QTest::newRow("direction red group") << Edit([](RingModel &m) {
            m.project()[directionOffset(0) + DL::Red1 + DL::BindingGroup] = 3;
        }) << 2 << QStringLiteral("кольцо 1, направление 1: группа красного 1 → 3");
        QTest::newRow("template mark")
            << Edit([](RingModel &m) { m.project()[templateMarkOffset(2, 4)] = 1; }) << 2
            << QStringLiteral("кольцо 1, шаблон 3, направление 5: метка нет → есть");
        QTest::newRow("conflict flag")
            << Edit([](RingModel &m) { m.project()[conflictFlagOffset(1, 4)] = 1; }) << 2
            << QStringLiteral("кольцо 1, конфликт 2-5: флаг нет → есть");
        QTest::newRow("day plan start") << Edit([](RingModel &m) {
            writeU32(m.project(), dayPlanEntryOffset(0, 0) + DayPlanLayout::EntryStart, 3600);
        }) << 2 << QStringLiteral("кольцо 1, дневной план 1, запись 1: начало 00:00:00 → 01:00:00");
        QTest::newRow("week plan day")
            << Edit([](RingModel &m) { Weeksplans::setDayPlan(m.project(), 0, 1, 2); }) << 2
            << QStringLiteral("кольцо 1, недельный план 1: ПН 1 → 3");
        QTest::newRow("year plan week")
            << Edit([](RingModel &m) { Year::setWeekPlan(m.project(), 9, 1); }) << 2
            << QStringLiteral("кольцо 1, годовой план: неделя 10 1 → 2");
        QTest::newRow("description") << Edit([](RingModel &m) {
            setProjectDescription(m.project(), QStringLiteral("Перекресток"));
        }) << 2 << QStringLiteral("кольцо 1: описание «» → «Перекресток»");
        QTest::newRow("safety parameter of ring 2")
            << Edit([](RingModel &m) { m.store(1).project[PL::Yellow] = 4; }) << 2
            << QStringLiteral("кольцо 2: длительность желтого 3 → 4");
        QTest::newRow("byte without a name")
            << Edit([](RingModel &m) { m.project()[PL::Reserved + 5] = 7; }) << 2
            << QStringLiteral("кольцо 1, блок проекта, смещение %1: байт 0 → 7")
                   .arg(PL::Reserved + 5);
        QTest::newRow("mark value the window shows alike")
            << Edit([](RingModel &m) { m.project()[templateMarkOffset(0, 0)] = 2; }) << 2
            << QStringLiteral("кольцо 1, шаблон 1, направление 1: метка 01 → 02");
        QTest::newRow("ring count") << Edit{} << 1 << QStringLiteral("число колец 2 → 1");
    }

    void diffNamesTheEdit()
    {
        QFETCH(Edit, edit);
        QFETCH(int, rings);
        QFETCH(QString, line);
        const QString before = saveProject();
        const QString after = saveProject(edit, rings);
        const Run run = runCli({QStringLiteral("diff"), before, after});
        QCOMPARE(run.status, 1);
        // The edit and nothing else: the checksums it changed are not differences.
        QCOMPARE(run.out, line + QLatin1Char('\n'));

        const Run json = runCli({QStringLiteral("diff"), QStringLiteral("--json"), before, after});
        QCOMPARE(json.status, 1);
        QJsonParseError error;
        const QJsonArray differences = QJsonDocument::fromJson(json.out.toUtf8(), &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(differences.size(), 1);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text"); // on stdout for status 0, on stderr otherwise
        QTest::newRow("tool help")
            << QStringList{QStringLiteral("--help")} << 0 << QStringLiteral("diff A B");
        QTest::newRow("diff help") << QStringList{QStringLiteral("diff"), QStringLiteral("--help")}
                                   << 0 << QStringLiteral("Контрольные суммы");
        QTest::newRow("missing file")
            << QStringList{QStringLiteral("info"), QStringLiteral("/nonexistent/x.vlt")} << 2
            << QStringLiteral("Не удалось открыть файл");
        QTest::newRow("diff of a missing file")
            << QStringList{QStringLiteral("diff"), QStringLiteral("/nonexistent/a.vlt"),
                           QStringLiteral("/nonexistent/b.vlt")}
            << 2 << QStringLiteral("Не удалось открыть файл");
        QTest::newRow("unknown command")
            << QStringList{QStringLiteral("restore")} << 2 << QStringLiteral("Неизвестная команда");
        QTest::newRow("missing argument")
            << QStringList{QStringLiteral("diff"), QStringLiteral("a")} << 2
            << QStringLiteral("Использование");
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, text);
        const Run run = runCli(arguments);
        QCOMPARE(run.status, status);
        QVERIFY2((status == 0 ? run.out : run.err).contains(text), qPrintable(run.out + run.err));
    }

    void onlyARegularFileIsRead_data()
    {
        QTest::addColumn<QString>("command");
        for (const char *command : {"info", "check", "diff"})
            QTest::newRow(command) << QString::fromLatin1(command);
    }
    void onlyARegularFileIsRead()
    {
        // Nobody writes into the FIFO: a reader that opened it would wait for good.
        QFETCH(QString, command);
        const QString fifo = m_dir.filePath(QStringLiteral("fifo-%1.vlt").arg(command));
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QStringList arguments{command, fifo};
        if (command == QLatin1String("diff"))
            arguments << saveProject();
        const Run run = runCli(arguments);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(QStringLiteral("не является обычным файлом")),
                 qPrintable(run.err));
    }

    void damagedFileIsNoCleanCheck_data()
    {
        QTest::addColumn<qint64>("cutAt");
        QTest::addColumn<QString>("says");
        QTest::newRow("cut inside ring 2")
            << qint64(RingRecordSize + 5000) << QStringLiteral("file-cut-ring");
        QTest::newRow("byte changed in ring 2") << qint64(-1) << QStringLiteral("file-checksum");
    }
    void damagedFileIsNoCleanCheck()
    {
        QFETCH(qint64, cutAt);
        QFETCH(QString, says);
        const QString path = saveProject();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (cutAt >= 0) {
            QVERIFY(file.resize(cutAt));
        } else {
            QVERIFY(file.seek(RingRecordSize + 40));
            QVERIFY(file.write("\x5A", 1) == 1);
        }
        file.close();
        const Run run = runCli({QStringLiteral("check"), QStringLiteral("--json"), path});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.out.contains(says) && run.out.contains(QStringLiteral("кольца 2")),
                 qPrintable(run.out));
    }

    void shortFileIsRefused()
    {
        const QString path = m_dir.filePath(QStringLiteral("short.vlt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(100, '\0'));
        file.close();
        const Run run = runCli({QStringLiteral("check"), path});
        QCOMPARE(run.status, 2);
        QVERIFY(!run.err.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
