// The flash kept in a file across runs of the virtual controller.
#include "sim/VirtualController.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

class TestSimFlash : public QObject
{
    Q_OBJECT
private slots:
    void writesSurviveANewController()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        {
            VirtualController first;
            QCOMPARE(first.useFlashFile(path), FlashFile::Load::Missing);
            QVERIFY(first.handle("proj_flashwr 2A7E 2 1234").startsWith("SUCCESS:")); // ring 2
            QVERIFY(first.handle("progs_flashwr 4E0D0 3 A0B0C0").startsWith("SUCCESS:"));
        }
        QCOMPARE(QFileInfo(path).size(), VirtualController::FlashImageSize);
        VirtualController second;
        QCOMPARE(second.useFlashFile(path), FlashFile::Load::Loaded);
        QCOMPARE(second.handle("proj_flashrd 2A7D 4"), QByteArray("SUCCESS:FF1234FF\n"));
        QCOMPARE(second.handle("progs_flashrd 4E0D0 3"), QByteArray("SUCCESS:A0B0C0\n"));
    }

    void oldSetWritesAreKeptToo()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        {
            VirtualController old(true);
            old.useFlashFile(path);
            QVERIFY(old.handle("pflashwr 33004 1 5A").startsWith("SUCCESS:"));
        }
        VirtualController fresh;
        fresh.useFlashFile(path);
        QCOMPARE(fresh.handle("progs_flashrd 4 1"), QByteArray("SUCCESS:5A\n"));
    }

    void unusableFileStartsErased_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<FlashFile::Load>("expected");
        QTest::newRow("empty") << qint64(0) << FlashFile::Load::WrongSize;
        QTest::newRow("one byte short")
            << VirtualController::FlashImageSize - 1 << FlashFile::Load::WrongSize;
        QTest::newRow("one byte over")
            << VirtualController::FlashImageSize + 1 << FlashFile::Load::WrongSize;
        QTest::newRow("whole") << VirtualController::FlashImageSize << FlashFile::Load::Loaded;
    }
    void unusableFileStartsErased()
    {
        QFETCH(qint64, size);
        QFETCH(FlashFile::Load, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        QVERIFY(writeFile(path, QByteArray(size, '\0')));
        VirtualController controller;
        QCOMPARE(controller.useFlashFile(path), expected);
        const QByteArray first = controller.handle("proj_flashrd 0 2");
        QCOMPARE(first, expected == FlashFile::Load::Loaded ? QByteArray("SUCCESS:0000\n")
                                                            : QByteArray("SUCCESS:FFFF\n"));
        // Nothing is written over a file the controller could not use until flash changes.
        QCOMPARE(QFileInfo(path).size(), size);
    }

    void onlyAChangeSaves()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("flash.bin"));
        VirtualController controller;
        controller.useFlashFile(path);
        QVERIFY(controller.handle("proj_flashwr 10 1 FF").startsWith("SUCCESS:"));
        QVERIFY(controller.handle("proj_flashrd 10 1").startsWith("SUCCESS:"));
        QVERIFY(controller.handle("proj_flashwr 10 9 00").startsWith("ERROR")); // short data
        QVERIFY(!QFile::exists(path));
        QVERIFY(controller.handle("proj_flashwr 10 1 fe").startsWith("SUCCESS:"));
        QVERIFY(QFile::exists(path));
        QVERIFY(QFile::remove(path));
        QVERIFY(controller.handle("proj_flashwr 10 1 FE").startsWith("SUCCESS:"));
        QVERIFY(!QFile::exists(path));
    }

    void imageIsProjectsThenPrograms()
    {
        VirtualController controller;
        QVERIFY(controller.handle("proj_flashwr A9F7 1 11").startsWith("SUCCESS:"));
        QVERIFY(controller.handle("progs_flashwr 0 1 22").startsWith("SUCCESS:"));
        const QByteArray image = controller.flashImage();
        QCOMPARE(image.size(), VirtualController::FlashImageSize);
        QCOMPARE(image.at(4 * 10878 - 1), char(0x11));
        QCOMPARE(image.at(4 * 10878), char(0x22));
        QCOMPARE(image.count(char(VirtualController::Erased)), image.size() - 2);
    }
};

QTEST_GUILESS_MAIN(TestSimFlash)
#include "tst_simflash.moc"
