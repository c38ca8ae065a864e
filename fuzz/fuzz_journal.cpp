// The event journal: whatever "event used" and "event get" return, the reader takes a count
// only when it is a number, grows its grid as records come, numbers every record it keeps and
// ends; the export writes every record.
//
// Input: the "event used" answer, then the records, each ended by a zero byte. After the last
// one the controller says "+++NO events".
#include "FuzzSupport.h"
#include "LinkRig.h"

#include "service/JournalReader.h"

#include <QCoreApplication>

#include <qcoro/qcorotask.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzApp();
    static const QString exported = fuzzFolder() + QStringLiteral("/jor.txt");
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\0');
    const QByteArray used = parts.value(0);
    const QList<QByteArray> records = parts.mid(1);

    LinkRig rig;
    rig.link.setLinkType(LinkKind::Ethernet);
    qsizetype next = 0;
    int gets = 0;
    rig.udp.answer = [&](const QByteArray &command) {
        QByteArray answer = "SUCCESS:";
        if (command == "event used") {
            answer += used;
        } else if (command == "event get") {
            ++gets;
            answer += next < records.size() ? records[next++] : QByteArray("+++NO events\n");
        }
        rig.udp.deliver(answer);
    };
    JournalReader reader(rig.link);
    reader.setBatchInterval(0);
    reader.setSettlePause(0);
    QString status;
    QObject::connect(&reader, &JournalReader::statusReported,
                     [&status](const QString &text) { status = text; });

    QCoro::waitFor(reader.read());
    // Every record and the end marker come at once, so the batches follow one another.
    for (int turns = 0; reader.reading(); ++turns) {
        FUZZ_CHECK(turns <= int(size) + 10);
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    FUZZ_CHECK(reader.recordCount() >= 0 && reader.recordCount() <= records.size());
    FUZZ_CHECK(reader.rows() >= reader.recordCount());
    if (gets > 0) {
        FUZZ_CHECK(status.startsWith(QStringLiteral("Журнал прочитан! Всего записей прочитано: ")));
        for (int row = 0; row < reader.recordCount(); ++row) {
            FUZZ_CHECK(reader.data(reader.index(row, 0), Qt::DisplayRole).toInt() == row + 1);
            (void)reader.data(reader.index(row, 1), Qt::DisplayRole);
        }
    }
    FUZZ_CHECK(reader.exportTo(exported));
    return 0;
}
