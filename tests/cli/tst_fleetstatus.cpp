// status --fleet and clock --fleet over virtual controllers on 127.0.0.60..: the table, JSON and
// Prometheus outputs (the last parsed back as a collector would), and the clock sync.
#include "CliRig.h"

#include "cli/PrometheusText.h"
#include "sim/SimFleet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr quint16 kPort = 32997;
const QString kWait = QStringLiteral("100");

SimFleet::Address address(int n)
{
    return {QHostAddress(QStringLiteral("127.0.0.%1").arg(60 + n)), kPort};
}

QJsonObject resultOf(const CliRun &run, const QString &name)
{
    const QJsonArray results = QJsonDocument::fromJson(run.out.toUtf8())
                                   .object()
                                   .value(QStringLiteral("results"))
                                   .toArray();
    for (const QJsonValue &r : results)
        if (r.toObject().value(QStringLiteral("name")).toString() == name)
            return r.toObject();
    return {};
}

// A sample as the collector reads it: the family, the labels unescaped, the value.
struct Sample
{
    QString name;
    QMap<QString, QString> labels;
    double value = 0;
};

// Parses the exposition text; every sample's family must have been declared with HELP and
// TYPE before it. An empty list with `error` set when the text is not well formed.
QList<Sample> parseExposition(const QString &text, QString *error)
{
    static const QRegularExpression comment(
        QStringLiteral("^# (HELP|TYPE) ([a-zA-Z_:][a-zA-Z0-9_:]*) (.*)$"));
    static const QRegularExpression sample(
        QStringLiteral("^([a-zA-Z_:][a-zA-Z0-9_:]*)(?:\\{(.*)\\})? (\\S+)$"));
    static const QRegularExpression label(
        QStringLiteral("([a-zA-Z_][a-zA-Z0-9_]*)=\"((?:[^\"\\\\]|\\\\.)*)\",?"));
    QSet<QString> helped, typed;
    QList<Sample> samples;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (const auto m = comment.match(line); m.hasMatch()) {
            (m.captured(1) == QLatin1String("HELP") ? helped : typed) << m.captured(2);
            continue;
        }
        const auto m = sample.match(line);
        bool ok = false;
        Sample s{m.captured(1), {}, m.captured(3).toDouble(&ok)};
        if (!m.hasMatch() || !ok || !helped.contains(s.name) || !typed.contains(s.name)) {
            *error = line;
            return {};
        }
        QString labels = m.captured(2);
        while (!labels.isEmpty()) {
            const auto l = label.match(labels);
            if (!l.hasMatch() || l.capturedStart() != 0) {
                *error = line;
                return {};
            }
            const QString escaped = l.captured(2);
            QString value;
            for (qsizetype i = 0; i < escaped.size(); ++i) {
                if (escaped[i] != QLatin1Char('\\') || ++i >= escaped.size())
                    value += escaped[i];
                else
                    value += escaped[i] == QLatin1Char('n') ? QLatin1Char('\n') : escaped[i];
            }
            s.labels.insert(l.captured(1), value);
            labels = labels.mid(l.capturedLength());
        }
        samples << s;
    }
    return samples;
}

std::optional<double> valueOf(const QList<Sample> &samples, const QString &name,
                              const QMap<QString, QString> &labels)
{
    for (const Sample &s : samples)
        if (s.name == name && s.labels == labels)
            return s.value;
    return std::nullopt;
}
} // namespace

class TestFleetStatus : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_list;
    QString m_archive;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QString text;
        for (int n = 0; n < 3; ++n)
            text += QStringLiteral("dk%1 %2\n").arg(60 + n).arg(address(n).text());
        m_list = m_dir.filePath(QStringLiteral("list.txt"));
        QFile list(m_list);
        QVERIFY(list.open(QIODevice::WriteOnly) && list.write(text.toUtf8()) > 0);
        list.close();
        m_archive = m_dir.filePath(QStringLiteral("archive"));
        QVERIFY(QDir().mkpath(m_archive));
        auto project = makeProject(QStringLiteral("наблюдаемый"), 2);
        QVERIFY(!ProjectFile::save(*project, m_archive + QStringLiteral("/dk60.velt")));
        auto other = makeProject(QStringLiteral("другой"), 1);
        QVERIFY(!ProjectFile::save(*other, m_archive + QStringLiteral("/dk61.velt")));
    }

    void labelEscaping_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << QStringLiteral("dk-1.north");
        QTest::newRow("quote and backslash") << QStringLiteral("a\"b\\c");
        QTest::newRow("line feed and cyrillic") << QStringLiteral("перекресток\n2\\n");
    }

    void labelEscaping()
    {
        QFETCH(QString, value);
        PrometheusText text;
        text.family(QStringLiteral("m"), QStringLiteral("help with \\ and\nline"));
        text.sample(QStringLiteral("m"), {{QStringLiteral("l"), value}}, 2.5);
        QString error;
        const QList<Sample> samples = parseExposition(text.text(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(samples.size(), 1);
        QCOMPARE(samples[0].labels.value(QStringLiteral("l")), value);
        QCOMPARE(samples[0].value, 2.5);
    }

    void statusInThreeFormats()
    {
        SimFleet fleet;
        for (int n = 0; n < 3; ++n) {
            FaultOptions faults;
            faults.dropShare = n == 2 ? 1.0 : 0.0;
            QVERIFY2(fleet.add(address(n), faults), qPrintable(fleet.errorString()));
        }
        preload(fleet.controller(0), *loaded(m_archive + QStringLiteral("/dk60.velt")));
        preload(fleet.controller(1), *makeProject(QStringLiteral("не тот"), 1));
        // dk60's clock runs two minutes ahead; dk61 is in the output test.
        fleet.controller(0).clock().setTime(QDateTime::currentDateTime().addSecs(120));
        QVERIFY(fleet.controller(1).handle("set test on").contains("SUCCESS:"));

        const QString metrics = m_dir.filePath(QStringLiteral("velt.prom"));
        const QStringList args{QStringLiteral("status"),
                               QStringLiteral("--fleet"),
                               m_list,
                               QStringLiteral("--archive"),
                               m_archive,
                               QStringLiteral("--wait"),
                               kWait};
        const CliRun table =
            runInProcess(args + QStringList{QStringLiteral("--prometheus"), metrics});
        QCOMPARE(table.status, 1);
        const QStringList lines = table.out.split(QLatin1Char('\n'));
        const auto line = [&](const QString &name) {
            for (const QString &l : lines)
                if (l.startsWith(name + QLatin1Char(' ')))
                    return l;
            return QString();
        };
        QVERIFY2(line(QStringLiteral("dk60")).contains(QStringLiteral("совпадает")) &&
                     line(QStringLiteral("dk60")).contains(QStringLiteral("2: программа")) &&
                     line(QStringLiteral("dk60")).contains(QStringLiteral("+12")),
                 qPrintable(table.out));
        QVERIFY2(line(QStringLiteral("dk61")).contains(QStringLiteral("ОТЛИЧАЕТСЯ")) &&
                     line(QStringLiteral("dk61")).contains(QStringLiteral("1: тест")),
                 qPrintable(table.out));
        QVERIFY2(line(QStringLiteral("dk62")).contains(QStringLiteral("НЕТ")),
                 qPrintable(table.out));
        QVERIFY(table.out.contains(QStringLiteral("не отвечает 1: dk62")));

        const CliRun json = runInProcess(args + QStringList{QStringLiteral("--json")});
        QCOMPARE(json.status, 1);
        const QJsonObject dk60 = resultOf(json, QStringLiteral("dk60"));
        QCOMPARE(dk60.value(QStringLiteral("up")).toBool(), true);
        QCOMPARE(dk60.value(QStringLiteral("version")).toString(), QStringLiteral("1.2.0"));
        QCOMPARE(dk60.value(QStringLiteral("ringsHeld")).toInt(), 2);
        QCOMPARE(dk60.value(QStringLiteral("matchesArchive")).toBool(), true);
        QVERIFY(qAbs(dk60.value(QStringLiteral("clockOffsetSeconds")).toDouble() - 120) <= 1);
        const QJsonArray rings = dk60.value(QStringLiteral("rings")).toArray();
        QCOMPARE(rings.size(), 2);
        for (const QJsonValue &ring : rings) {
            QCOMPARE(ring[QStringLiteral("mode")].toString(), QStringLiteral("program"));
            QVERIFY(ring[QStringLiteral("program")].toInt() >= 1);
            QVERIFY(ring[QStringLiteral("phase")].toInt() >= 1);
        }
        const QJsonObject dk61 = resultOf(json, QStringLiteral("dk61"));
        QCOMPARE(dk61.value(QStringLiteral("matchesArchive")).toBool(), false);
        QCOMPARE(dk61[QStringLiteral("rings")][0][QStringLiteral("mode")].toString(),
                 QStringLiteral("test"));
        QCOMPARE(resultOf(json, QStringLiteral("dk62")).value(QStringLiteral("up")).toBool(),
                 false);

        QString error;
        const QList<Sample> samples = parseExposition(readAll(metrics), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const auto at = [](const QString &controller) {
            return QMap<QString, QString>{{QStringLiteral("controller"), controller}};
        };
        const auto mode = [](const QString &controller, const QString &ring, const QString &m) {
            return QMap<QString, QString>{{QStringLiteral("controller"), controller},
                                          {QStringLiteral("ring"), ring},
                                          {QStringLiteral("mode"), m}};
        };
        QCOMPARE(valueOf(samples, "velt_controller_up", at("dk60")), 1.0);
        QCOMPARE(valueOf(samples, "velt_controller_up", at("dk62")), 0.0);
        QCOMPARE(valueOf(samples, "velt_project_matches_archive", at("dk60")), 1.0);
        QCOMPARE(valueOf(samples, "velt_project_matches_archive", at("dk61")), 0.0);
        QVERIFY(qAbs(*valueOf(samples, "velt_clock_offset_seconds", at("dk60")) - 120) <= 1);
        QCOMPARE(valueOf(samples, "velt_controller_mode", mode("dk60", "2", "program")), 1.0);
        QCOMPARE(valueOf(samples, "velt_controller_mode", mode("dk61", "1", "test")), 1.0);
        QCOMPARE(valueOf(samples, "velt_controller_mode", mode("dk61", "1", "program")), 0.0);
        QVERIFY(!valueOf(samples, "velt_clock_offset_seconds", at("dk62")));
        // Replaced whole: nothing is left beside it for the collector to trip over.
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("velt.prom*")}, QDir::Files),
                 QStringList{QStringLiteral("velt.prom")});
    }

    void clockSync()
    {
        SimFleet fleet;
        for (int n = 0; n < 2; ++n)
            QVERIFY2(fleet.add(address(n), {}), qPrintable(fleet.errorString()));
        fleet.controller(0).clock().setTime(QDateTime::currentDateTime().addSecs(300));
        fleet.controller(1).clock().setTime(QDateTime::currentDateTime().addSecs(-7200));
        QFile two(m_dir.filePath(QStringLiteral("two.txt")));
        QVERIFY(two.open(QIODevice::WriteOnly));
        two.write(QStringLiteral("dk60 %1\ndk61 %2\n")
                      .arg(address(0).text(), address(1).text())
                      .toUtf8());
        two.close();
        const CliRun run =
            runInProcess({QStringLiteral("clock"), QStringLiteral("--fleet"), two.fileName(),
                          QStringLiteral("--sync"), QStringLiteral("--json")});
        QCOMPARE(run.status, 0);
        const struct
        {
            const char *name;
            int before;
        } expected[] = {{"dk60", 300}, {"dk61", -7200}};
        for (const auto &e : expected) {
            const QJsonObject r = resultOf(run, e.name);
            QVERIFY(qAbs(r.value(QStringLiteral("offsetBefore")).toDouble() - e.before) <= 1);
            QVERIFY2(qAbs(r.value(QStringLiteral("offsetAfter")).toDouble()) <= 1, e.name);
            QCOMPARE(r.value(QStringLiteral("set")).toBool(), true);
        }
        for (int n = 0; n < 2; ++n)
            QVERIFY(qAbs(fleet.controller(n).clock().now().secsTo(QDateTime::currentDateTime())) <=
                    1);
    }
};

QTEST_GUILESS_MAIN(TestFleetStatus)
#include "tst_fleetstatus.moc"
