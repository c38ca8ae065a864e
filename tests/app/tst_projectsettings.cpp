#include "app/ProjectSettings.h"
#include "link/LinkSettings.h"
#include "model/ByteIO.h"
#include "model/Description.h"

#include <QTest>

namespace PL = ProjectLayout;

class TestProjectSettings : public QObject
{
    Q_OBJECT
private slots:
    void loweringTheRingCountKeepsTheOtherRings()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(3);
        model.SwitchRing(2);
        model.project()[PL::ReservedByte] = 77;
        model.SwitchRing(0);
        ProjectSettingsValues values = readProjectSettings(model);
        values.ringCount = 1;
        applyProjectSettings(model, values);
        QCOMPARE(model.ringCount(), 1);
        QCOMPARE(model.currentRing(), 0);
        for (int r = 0; r < MaxRings; ++r)
            QCOMPARE(model.store(r).project[PL::RingCount], 1);
        QCOMPARE(model.store(2).project[PL::ReservedByte], 77);
    }

    void applyInRingTwoKeepsItsEdits()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        model.SwitchRing(1);
        model.project()[PL::ReservedByte] = 42; // an edit not yet stored
        ProjectSettingsValues values = readProjectSettings(model);
        values.description = QStringLiteral("Перекрёсток");
        values.journal = {true, true, false, true, false};
        values.gpsOffset = -5;
        applyProjectSettings(model, values);
        QCOMPARE(model.currentRing(), 0);
        QCOMPARE(model.store(1).project[PL::ReservedByte], 42);
        QCOMPARE(projectDescription(model.store(1).project), QStringLiteral("Перекрёсток"));
        QVERIFY(projectDescription(model.store(0).project).isEmpty());
        // The journal and GPS bytes reach every ring, the working copy included.
        for (int r = 0; r < MaxRings; ++r) {
            const ProjectBlock &p = model.store(r).project;
            QCOMPARE(p[PL::JournalPowerOn], 1);
            QCOMPARE(p[PL::JournalPowerOff], 1);
            QCOMPARE(p[PL::JournalInputs], 0);
            QCOMPARE(p[PL::JournalPhases], 1);
            QCOMPARE(p[PL::JournalFailures], 0);
            QCOMPARE(static_cast<std::int8_t>(p[PL::GpsUtcOffset]), -5);
        }
        QCOMPARE(static_cast<std::int8_t>(model.project()[PL::GpsUtcOffset]), -5);
        QVERIFY(!model.modified());
    }

    void longDescriptionIsCut()
    {
        RingModel model;
        model.NewProjectDefaults();
        ProjectSettingsValues values = readProjectSettings(model);
        values.description = QString(128, QLatin1Char('x'));
        applyProjectSettings(model, values);
        QCOMPARE(projectDescription(model.project()), QString(127, QLatin1Char('x')));
        QCOMPARE(readU16(model.project(), PL::Marker), 0);
    }

    void shifts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("plain") << "30" << 30;
        QTest::newRow("minus one") << "-1" << 65535;
        QTest::newRow("low 16 bits") << "65537" << 1;
        QTest::newRow("not a number keeps the value") << "abc" << 9;
        QTest::newRow("empty keeps the value") << "" << 9;
    }
    void shifts()
    {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        RingModel model;
        model.NewProjectDefaults();
        writeU16(model.store(3).project, PL::SyncShift, 9);
        ProjectSettingsValues values = readProjectSettings(model);
        values.shiftText[3] = typed;
        values.sync[3] = true;
        applyProjectSettings(model, values);
        QCOMPARE(int(readU16(model.store(3).project, PL::SyncShift)), stored);
        QCOMPARE(model.store(3).project[PL::SyncFlag], 1);
        QCOMPARE(readProjectSettings(model).shiftText[3], QString::number(stored));
    }

    void portBeyondTheOfferedNineIsKept()
    {
        LinkSettings settings;
        settings.portNumber = 12;
        LinkFields fields;
        fields.comIndex = -1;
        fields.portText = QStringLiteral("11990");
        QCOMPARE(applyLinkFields(settings, fields), LinkFieldsResult::Applied);
        QCOMPARE(settings.portName(), QStringLiteral("COM12"));
    }

    void linkFields_data()
    {
        QTest::addColumn<QString>("portText");
        QTest::addColumn<bool>("applied");
        QTest::addColumn<int>("port");
        QTest::newRow("number") << "12000" << true << 12000;
        QTest::newRow("zero") << "0" << true << 0;
        QTest::newRow("negative is ignored") << "-5" << true << 11990;
        QTest::newRow("not a number") << "12a" << false << 11990;
        QTest::newRow("beyond UDP") << "70000" << false << 11990;
    }
    void linkFields()
    {
        QFETCH(QString, portText);
        QFETCH(bool, applied);
        QFETCH(int, port);
        LinkSettings settings;
        LinkFields fields;
        fields.comIndex = 4;
        fields.timeoutText = QStringLiteral("0500");
        fields.ethernet = false;
        fields.address = QStringLiteral("010.000.000.001");
        fields.portText = portText;
        QCOMPARE(applyLinkFields(settings, fields) == LinkFieldsResult::Applied, applied);
        // The fields before the port are taken either way.
        QCOMPARE(settings.portName(), QStringLiteral("COM5"));
        QCOMPARE(settings.timeoutMs, 500);
        QCOMPARE(int(settings.linkType), 0);
        QCOMPARE(settings.addressText(), QStringLiteral("010.000.000.001"));
        QCOMPARE(settings.udpPort, port);
    }
};

QTEST_GUILESS_MAIN(TestProjectSettings)
#include "tst_projectsettings.moc"
