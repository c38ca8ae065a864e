// The event journal of the virtual controller as the configurator reads it.
#include "sim/VirtualController.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTest>

#include <algorithm>
#include <ctime>
#include <limits>

namespace {
qint64 processorNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

bool isPositive(const QByteArray &answer)
{
    return answer.startsWith("SUCCESS:") && answer.endsWith('\n');
}

QByteArray payload(const QByteArray &answer)
{
    return isPositive(answer) ? answer.mid(8).chopped(1) : QByteArray("(refused)");
}

// What the configurator does: rewind, then take records until the end mark.
QList<QByteArray> readAll(VirtualController &controller, int limit)
{
    QList<QByteArray> records;
    if (!isPositive(controller.handle("event init")))
        return records;
    for (int i = 0; i < limit; ++i) {
        const QByteArray record = payload(controller.handle("event get"));
        if (record == Journal::NoMore)
            break;
        records.append(record);
    }
    return records;
}
} // namespace

class TestSimJournal : public QObject
{
    Q_OBJECT
private slots:
    void readsEveryRecordThenTheEnd_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("empty") << 0;
        QTest::newRow("one") << 1;
        QTest::newRow("default") << int(Journal::DefaultSize);
        QTest::newRow("45") << 45;
    }
    void readsEveryRecordThenTheEnd()
    {
        QFETCH(int, size);
        VirtualController controller;
        controller.journal() = Journal(size);
        QCOMPARE(controller.handle("event used"), "SUCCESS:" + QByteArray::number(size) + '\n');
        const QList<QByteArray> records = readAll(controller, size + 10);
        QCOMPARE(records.size(), size);
        // The end stays the end until the next rewind.
        QCOMPARE(controller.handle("event get"), QByteArray("SUCCESS:+++NO events\n"));
        QCOMPARE(controller.handle("event get"), QByteArray("SUCCESS:+++NO events\n"));
        QCOMPARE(readAll(controller, size + 10), records);
    }

    void recordsAreDatedTextsInOrder()
    {
        VirtualController controller;
        controller.journal() = Journal(45);
        const QList<QByteArray> records = readAll(controller, 100);
        QCOMPARE(records.size(), 45);
        const QRegularExpression form(
            QStringLiteral(R"(^(\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d) (\S.*)$)"));
        QStringDecoder decoder("windows-1251");
        QDateTime previous;
        QSet<QString> texts;
        for (const QByteArray &record : records) {
            QVERIFY2(!record.contains('\n') && !record.contains('\r'), record.constData());
            const QString line = decoder.decode(record);
            const auto match = form.match(line);
            QVERIFY2(match.hasMatch(), record.constData());
            const QDateTime time =
                QDateTime::fromString(match.captured(1), QStringLiteral("dd.MM.yyyy HH:mm:ss"));
            QVERIFY(time.isValid());
            QVERIFY(!previous.isValid() || previous < time);
            previous = time;
            texts.insert(match.captured(2));
        }
        // Decoded as the configurator does, the power-up text comes through whole.
        const QString first = QStringDecoder("windows-1251").decode(records[0]);
        QVERIFY2(first.endsWith(QStringLiteral(" Включение питания")), qPrintable(first));
        QVERIFY(texts.size() >= 5); // a mix of events, not one repeated
    }

    void initRewindsAndEraseEmpties()
    {
        VirtualController controller;
        controller.journal() = Journal(45);
        const QByteArray first = controller.handle("event get");
        const QByteArray second = controller.handle("event get");
        QVERIFY(isPositive(first) && first != second);
        QCOMPARE(controller.handle("event init"), QByteArray("SUCCESS:\n"));
        QCOMPARE(controller.handle("event get"), first);
        QCOMPARE(controller.handle("event used"), QByteArray("SUCCESS:45\n"));

        QCOMPARE(controller.handle("event erase"), QByteArray("SUCCESS:\n"));
        QCOMPARE(controller.handle("event used"), QByteArray("SUCCESS:0\n"));
        QCOMPARE(controller.handle("event get"), QByteArray("SUCCESS:+++NO events\n"));
        QVERIFY(isPositive(controller.handle("event init")));
        QCOMPARE(controller.handle("event get"), QByteArray("SUCCESS:+++NO events\n"));
    }

    void unknownJournalCommandsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("no word") << QByteArray("event");
        QTest::newRow("unknown word") << QByteArray("event next");
        QTest::newRow("extra word") << QByteArray("event get 5");
    }
    void unknownJournalCommandsAreRefused()
    {
        QFETCH(QByteArray, command);
        VirtualController controller;
        const QByteArray answer = controller.handle(command);
        QVERIFY(answer.endsWith('\n') && !answer.startsWith("SUCCESS:"));
        QCOMPARE(controller.journal().position(), 0);
    }

    void aLongJournalIsCheap()
    {
        constexpr int kSize = 100000;
        constexpr int kReference = kSize / 100;
        // The reference, taken now on this machine: a journal a hundred times shorter, the
        // best of three. Processor time, not wall time, so a busy machine that takes the test
        // off the processor for a while does not count against it.
        qint64 referenceNs = std::numeric_limits<qint64>::max();
        for (int round = 0; round < 3; ++round) {
            const qint64 start = processorNs();
            VirtualController small;
            small.journal() = Journal(kReference);
            QCOMPARE(readAll(small, kReference + 1).size(), kReference);
            referenceNs = std::min(referenceNs, processorNs() - start);
        }
        referenceNs = std::max<qint64>(referenceNs, 1'000'000);
        const qint64 start = processorNs();
        VirtualController controller;
        controller.journal() = Journal(kSize);
        QCOMPARE(controller.handle("event used"), QByteArray("SUCCESS:100000\n"));
        // Reading every record, as a configurator would, costs the same per record however
        // long the journal is (a few times over for the machine's moods), never per record
        // read so far.
        const QList<QByteArray> records = readAll(controller, kSize + 1);
        QCOMPARE(records.size(), kSize);
        const qint64 spentNs = processorNs() - start;
        QVERIFY2(spentNs < 5 * 100 * referenceNs,
                 qPrintable(QStringLiteral("%1 ms, %2 ms for a hundredth")
                                .arg(spentNs / 1'000'000)
                                .arg(referenceNs / 1'000'000)));
        QCOMPARE(records.last(), Journal::record(kSize - 1));
        QVERIFY(Journal::recordTime(kSize - 2) < Journal::recordTime(kSize - 1));
        QVERIFY(sizeof(Journal) <= 4 * sizeof(int)); // nothing kept per record
    }
};

QTEST_GUILESS_MAIN(TestSimJournal)
#include "tst_simjournal.moc"
