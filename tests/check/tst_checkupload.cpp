// "Загрузить проект в ДК" in the running program against a virtual controller on UDP: the
// whole-project check decides before the controller hears a single command.
#define VELT_RIG_PORT 35990
#define VELT_RIG_HOST 85
#include "service/ControllerRig.h"

#include "PlantedFaults.h"

#include "model/ProjectFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr int kTransferMs = 30000;
using Plant = std::function<void(RingModel &)>;
} // namespace

Q_DECLARE_METATYPE(Plant)

class TestCheckUpload : public QObject
{
    Q_OBJECT
private slots:
    void uploadAfterTheCheck_data()
    {
        QTest::addColumn<Plant>("plant");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("sends");
        QTest::addColumn<QString>("firstMessage");
        const Plant longPhase = [](RingModel &m) {
            writeU16(m.store(1).programs, phaseOffset(0, 0) + PhaseLayout::MainTime, 4000);
        };
        const Plant darkDirection = [](RingModel &m) { bindDirection(m.project(), 1, 0); };
        QTest::newRow("error, answered Yes")
            << longPhase << true << false << QStringLiteral("Отменено!|Ошибка проекта");
        QTest::newRow("warning, answered No")
            << darkDirection << false << false << QStringLiteral("Проверка проекта|Замечания");
        QTest::newRow("warning, answered Yes")
            << darkDirection << true << true << QStringLiteral("Проверка проекта|Замечания");
        // Opened from a file cut inside ring 2: the upload would erase the controller's ring 2.
        const Plant cutFile = [](RingModel &m) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("cut.velt"));
            if (ProjectFile::save(m, path) || !QFile::resize(path, RingRecordSize + 5000))
                return;
            (void)ProjectFile::open(m, path);
        };
        QTest::newRow("file cut inside a ring, answered Yes")
            << cutFile << true << false << QStringLiteral("Отменено!|Ошибка проекта");
        QTest::newRow("clean") << Plant([](RingModel &) {}) << false << true
                               << QStringLiteral("Готово!|Проект успешно загружен!");
    }
    void uploadAfterTheCheck()
    {
        QFETCH(Plant, plant);
        QFETCH(bool, yes);
        QFETCH(bool, sends);
        QFETCH(QString, firstMessage);
        Rig rig(Wire::Udp);
        QVERIFY(rig.ready);
        makeCleanProject(rig.main.model());
        plant(rig.main.model());
        rig.main.refreshProgramDisplay();
        rig.prompts.answers.push_back(yes ? QMessageBox::Yes : QMessageBox::No);

        rig.open();
        rig.upload()->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig.idle(), kTransferMs);
        const QStringList shown = messages(rig.prompts);
        QVERIFY2(!shown.isEmpty() && shown.first().startsWith(firstMessage),
                 qPrintable(shown.join('\n')));
        if (!sends) {
            QCOMPARE(rig.heard.size(), 0);
            return;
        }
        QCOMPARE(shown.last(), QStringLiteral("Готово!|Проект успешно загружен!"));
        // Two rings written (22 project packets each), two erased.
        QCOMPARE(rig.count("proj_flashwr "), 2 * 22 + 2);
    }
};

QTEST_MAIN(TestCheckUpload)
#include "tst_checkupload.moc"
