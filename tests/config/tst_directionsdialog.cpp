#include "config/DirectionsDialog.h"
#include "config/Lamp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

namespace PL = ProjectLayout;
namespace DL = DirectionLayout;

class TestNaprForm : public QObject
{
    Q_OBJECT
private:
    template <typename T> static T *child(TForm13 &f, const QString &name)
    {
        auto *w = f.findChild<T *>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }
    static QString status(TForm13 &f) { return child<QLabel>(f, "StatusBar1")->text(); }
    // A choice made in a drop-down list by the user.
    static void choose(TForm13 &f, const QString &name, int index)
    {
        auto *box = child<QComboBox>(f, name);
        QVERIFY2(box->isEnabled(), qPrintable(name));
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    static void chooseType(TForm13 &f, const char *button, int type)
    {
        child<QToolButton>(f, button)->click();
        QVERIFY(child<QFrame>(f, "PanelType")->isVisible());
        child<QListWidget>(f, "ListBoxTypes")->setCurrentRow(type);
        child<QPushButton>(f, "ButtonTypeOk")->click();
        QVERIFY(!child<QFrame>(f, "PanelType")->isVisible());
    }
    static void select(TForm13 &f, int d) { child<QListWidget>(f, "ListBox1")->setCurrentRow(d); }
    static QStringList listed(TForm13 &f)
    {
        QStringList texts;
        auto *list = child<QListWidget>(f, "ListBox1");
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    }
    static int byte(const ProjectBlock &b, std::size_t at) { return b[at]; }

private slots:
    void opening()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        f.openDialog();
        QCOMPARE(f.windowTitle(), QStringLiteral("Направления"));
        QCOMPARE(listed(f), QStringList({"1. транспорт", "2. транспорт"}));
        QCOMPARE(status(f), QStringLiteral("---"));
        QCOMPARE(child<QComboBox>(f, "ComboBoxRed1")->currentText(), QStringLiteral("1"));
        QCOMPARE(child<QComboBox>(f, "ComboBoxRed1Colour")->currentText(), QStringLiteral("K"));
        QCOMPARE(child<QComboBox>(f, "ComboBoxYellow1Colour")->currentText(), QStringLiteral("Ж"));
        QCOMPARE(child<QComboBox>(f, "ComboBoxGreen1Colour")->currentText(), QStringLiteral("З"));
        QCOMPARE(child<QComboBox>(f, "ComboBoxGreen2Colour")->currentText(), QStringLiteral("З"));
        QVERIFY(!child<QComboBox>(f, "ComboBoxGreen2Colour")->isEnabled());
        QVERIFY(!child<QComboBox>(f, "ComboBoxLower2Colour")->isEnabled());
        QCOMPARE(child<QComboBox>(f, "ComboBoxRed1")->itemText(0), QStringLiteral("НЕТ"));
        QCOMPARE(child<QComboBox>(f, "ComboBoxRed1")->count(), 9);
        select(f, 1);
        QCOMPARE(child<QComboBox>(f, "ComboBoxRed1")->currentText(), QStringLiteral("2"));
        QCOMPARE(f.selectedDirection(), 1);
    }

    void panelsByType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("visible"); // R Y G L, second rows, wait caption
        QTest::addColumn<QColor>("lamp");
        QTest::newRow("транспорт") << 0 << "RYG-" << QColor(Qt::red);
        QTest::newRow("пешеход") << 1 << "RYG-w" << QColor(Qt::red);
        QTest::newRow("поворот") << 2 << "--G-" << QColor(Qt::red);
        QTest::newRow("реверс") << 3 << "RYG-" << QColor(Qt::red);
        QTest::newRow("трам-лево") << 4 << "R--L2" << QColor(Qt::white);
        QTest::newRow("трам-право") << 5 << "--GL2" << QColor(Qt::white);
        QTest::newRow("трам-прямо") << 6 << "-Y-L2" << QColor(Qt::white);
    }
    void panelsByType()
    {
        QFETCH(int, type);
        QFETCH(QString, visible);
        QFETCH(QColor, lamp);
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        f.openDialog();
        chooseType(f, "ToolButton3", type);
        QCOMPARE(Napr::directionType(f.dialogCopy(), 0), type);
        QCOMPARE(child<QFrame>(f, "PanelRed")->isVisible(), visible.contains('R'));
        QCOMPARE(child<QFrame>(f, "PanelYellow")->isVisible(), visible.contains('Y'));
        QCOMPARE(child<QFrame>(f, "PanelGreen")->isVisible(), visible.contains('G'));
        QCOMPARE(child<QFrame>(f, "PanelLower")->isVisible(), visible.contains('L'));
        QCOMPARE(!child<QWidget>(f, "RowRed2")->isHidden(), visible.contains('2'));
        QCOMPARE(!child<QWidget>(f, "RowGreen2")->isHidden(), visible.contains('2'));
        QCOMPARE(!child<QLabel>(f, "LabelWait")->isHidden(), visible.contains('w'));
        QCOMPARE(!child<Lamp>(f, "LampYellow")->isHidden(), !visible.contains('w'));
        QCOMPARE(child<Lamp>(f, "LampRed")->colour(), lamp);
        QCOMPARE(child<QListWidget>(f, "ListBox1")->item(0)->text(),
                 Napr::directionListText(f.dialogCopy(), 0));
    }

    void channelOfAnotherRingIsRefused()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        ProjectBlock &ring2 = model.store(1).project;
        ring2[PL::DirectionCount] = 3;
        ring2[directionOffset(2) + DL::Red1] = 5;
        TForm13 f(model);
        f.openDialog();
        choose(f, "ComboBoxRed1", 5);
        QCOMPARE(status(f), QStringLiteral("Конфликт выходов!!! Кольцо=2. Направление=3"));
        QCOMPARE(child<QComboBox>(f, "ComboBoxRed1")->currentText(), QStringLiteral("1"));
        QCOMPARE(byte(f.dialogCopy(), directionOffset(0) + DL::Red1), 1);
        // "НЕТ" is always taken and leaves the status bar alone.
        choose(f, "ComboBoxRed1", 0);
        QCOMPARE(byte(f.dialogCopy(), directionOffset(0) + DL::Red1), 0);
        QCOMPARE(status(f), QStringLiteral("Конфликт выходов!!! Кольцо=2. Направление=3"));
        // A free channel is taken and clears the bar.
        choose(f, "ComboBoxRed1", 6);
        QCOMPARE(byte(f.dialogCopy(), directionOffset(0) + DL::Red1), 6);
        QCOMPARE(status(f), QString());
        QCOMPARE(byte(model.project(), directionOffset(0) + DL::Red1), 1); // not saved yet
    }

    void colourClashInsideOneDirection()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        f.openDialog();
        choose(f, "ComboBoxRed1Colour", 1); // group 1 yellow is this direction's own yellow
        QCOMPARE(status(f), QStringLiteral("Конфликт выходов!!! Кольцо=1. Направление=1"));
        QCOMPARE(child<QComboBox>(f, "ComboBoxRed1Colour")->currentText(), QStringLiteral("K"));
    }

    void pedestrianWaitOutputIsShared()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        f.openDialog();
        chooseType(f, "ToolButton3", Napr::Pedestrian);
        select(f, 1);
        choose(f, "ComboBoxYellow1", 1); // group 1 yellow: direction 1's "ТВП - ЖДИТЕ"
        QCOMPARE(byte(f.dialogCopy(), directionOffset(1) + DL::Yellow1), 1);
        QCOMPARE(status(f), QString());
    }

    void controlOffBoxes()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        f.openDialog();
        child<QCheckBox>(f, "CheckBoxGreen1")->click();
        QCOMPARE(byte(f.dialogCopy(), directionOffset(0) + DL::Green1 + 2), 1);
        chooseType(f, "ToolButton3", Napr::TramLeft);
        child<QCheckBox>(f, "CheckBoxLower2")->click();
        QCOMPARE(byte(f.dialogCopy(), tramSignalOffset(0) + 14), 1);
        QCOMPARE(byte(f.dialogCopy(), tramSignalOffset(0) + 5), 0);
        child<QCheckBox>(f, "CheckBoxLower1")->click();
        QCOMPARE(byte(f.dialogCopy(), tramSignalOffset(0) + 2), 1);
        child<QCheckBox>(f, "CheckBoxLower2")->click();
        QCOMPARE(byte(f.dialogCopy(), tramSignalOffset(0) + 14), 0);
        QVERIFY(child<QCheckBox>(f, "CheckBoxLower1")->isChecked());
    }

    void lowerSignalIsSharedByItsTramSignal()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        f.openDialog();
        for (int type : {Napr::TramLeft, Napr::TramRight, Napr::TramLeft, Napr::TramRight})
            chooseType(f, "ToolButton1", type);
        QCOMPARE(listed(f).mid(2), QStringList({"3. трам-лево (1)", "4. трам-право (1)",
                                                "5. трам-лево (2)", "6. трам-право (2)"}));
        select(f, 4);
        choose(f, "ComboBoxLower1", 7);
        QCOMPARE(byte(f.dialogCopy(), tramSignalOffset(1)), 7);
        select(f, 5);
        QCOMPARE(child<QComboBox>(f, "ComboBoxLower1")->currentText(), QStringLiteral("7"));
        select(f, 3);
        QCOMPARE(child<QComboBox>(f, "ComboBoxLower1")->currentText(), QStringLiteral("НЕТ"));
        // Another direction can not take the lower signal's channel (red of group 7).
        select(f, 0);
        choose(f, "ComboBoxRed1", 7);
        QCOMPARE(status(f), QStringLiteral("Конфликт выходов!!! Кольцо=1. СТОП трамвайя №=2"));
    }

    void tramLimitOnEveryPath()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        QString controllerLine;
        f.setControllerStatus([&](const QString &text) { controllerLine = text; });
        f.openDialog();
        for (int i = 0; i < 4; ++i)
            chooseType(f, "ToolButton1", Napr::TramStraight);
        QCOMPARE(Napr::directionCount(f.dialogCopy()), 6);
        chooseType(f, "ToolButton1", Napr::TramStraight);
        QCOMPARE(Napr::directionCount(f.dialogCopy()), 6);
        QCOMPARE(controllerLine, QStringLiteral("Превышено кол-во трамвайных светофоров"));
        QCOMPARE(status(f), QStringLiteral("Превышено кол-во трамвайных светофоров"));
        controllerLine.clear();
        select(f, 0);
        chooseType(f, "ToolButton3", Napr::TramStraight);
        QCOMPARE(Napr::directionType(f.dialogCopy(), 0), int(Napr::Vehicle));
        QCOMPARE(controllerLine, QStringLiteral("Превышено кол-во трамвайных светофоров"));
    }

    void chooserCancelAndDefaults()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        f.openDialog();
        chooseType(f, "ToolButton3", Napr::Reversible);
        child<QToolButton>(f, "ToolButton3")->click();
        QCOMPARE(child<QListWidget>(f, "ListBoxTypes")->currentRow(), int(Napr::Reversible));
        child<QPushButton>(f, "ButtonTypeCancel")->click();
        child<QToolButton>(f, "ToolButton1")->click();
        QCOMPARE(child<QListWidget>(f, "ListBoxTypes")->currentRow(), 0);
        child<QPushButton>(f, "ButtonTypeCancel")->click();
        QVERIFY(!child<QFrame>(f, "PanelType")->isVisible());
        QCOMPARE(Napr::directionCount(f.dialogCopy()), 2);
    }

    void removeAndAddBringsBindingsBack()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        f.openDialog();
        for (int i = 0; i < 3; ++i)
            chooseType(f, "ToolButton1", Napr::Vehicle);
        select(f, 4);
        choose(f, "ComboBoxRed1", 5);
        child<QToolButton>(f, "ToolButton2")->click();
        QCOMPARE(listed(f).size(), 4);
        QCOMPARE(f.selectedDirection(), 3); // the last remaining direction stands in
        chooseType(f, "ToolButton1", Napr::Reversible);
        QCOMPARE(listed(f).last(), QStringLiteral("5. реверс"));
        QCOMPARE(byte(f.dialogCopy(), directionOffset(4) + DL::Red1), 5);
        // The only direction can not be removed.
        for (int i = 0; i < 6; ++i)
            child<QToolButton>(f, "ToolButton2")->click();
        QCOMPARE(listed(f).size(), 1);
    }

    void saveStoresDirectionsAndRedraws()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm13 f(model);
        f.openDialog();
        QSignalSpy edited(&model, &RingModel::edited);
        chooseType(f, "ToolButton1", Napr::TramLeft);
        select(f, 2);
        choose(f, "ComboBoxLower1", 4);
        model.project()[templateMarkOffset(3, 3)] = 1; // changed elsewhere meanwhile
        child<QPushButton>(f, "Button1")->click();
        QCOMPARE(edited.count(), 1);
        QVERIFY(model.modified());
        QCOMPARE(byte(model.project(), PL::DirectionCount), 3);
        QCOMPARE(byte(model.project(), directionOffset(2)), int(Napr::TramLeft));
        QCOMPARE(byte(model.project(), tramSignalOffset(0)), 4);
        QCOMPARE(byte(model.project(), templateMarkOffset(3, 3)), 1);
        QVERIFY(f.isVisible());
        child<QPushButton>(f, "Button2")->click();
        QVERIFY(!f.isVisible());
        QCOMPARE(f.selectedDirection(), 2); // kept for the next opening
    }

    void ringSwitchRetakesTheCopy()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        TForm13 f(model);
        f.openDialog();
        chooseType(f, "ToolButton1", Napr::Pedestrian); // ring 1, unsaved
        select(f, 2);
        model.SwitchRing(1);
        QCOMPARE(listed(f), QStringList({"1. транспорт", "2. транспорт"}));
        QCOMPARE(f.selectedDirection(), 1);
        QCOMPARE(child<QComboBox>(f, "ComboBoxRed1")->currentText(), QStringLiteral("НЕТ"));
        child<QPushButton>(f, "Button1")->click();
        QCOMPARE(byte(model.project(), PL::DirectionCount), 2);
        QCOMPARE(byte(model.store(0).project, PL::DirectionCount), 2);
    }

    void valuesNoDialogWritesShowEmpty()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.project()[PL::DirectionCount] = 3;
        model.project()[directionOffset(2)] = Napr::TramRight;
        model.project()[directionOffset(2) + DL::Green2 + 1] = 0; // as a download may bring
        model.project()[directionOffset(0) + DL::Red1] = 12;
        model.project()[directionOffset(0) + DL::Yellow1 + 1] = 7;
        model.project()[directionOffset(1)] = 40;
        TForm13 f(model);
        f.openDialog();
        QCOMPARE(child<QComboBox>(f, "ComboBoxRed1")->currentIndex(), -1);
        QCOMPARE(child<QComboBox>(f, "ComboBoxYellow1Colour")->currentIndex(), -1);
        select(f, 1);
        QCOMPARE(listed(f)[1], QStringLiteral("2. тип 40"));
        QVERIFY(!child<QFrame>(f, "PanelRed")->isVisible());
        // Saving writes back what was read.
        child<QPushButton>(f, "Button1")->click();
        QCOMPARE(byte(model.project(), directionOffset(0) + DL::Red1), 12);
        // A second row always shows and binds the green channel.
        select(f, 2);
        QCOMPARE(child<QComboBox>(f, "ComboBoxGreen2Colour")->currentText(), QStringLiteral("З"));
        choose(f, "ComboBoxGreen2", 8);
        QCOMPARE(byte(f.dialogCopy(), directionOffset(2) + DL::Green2), 8);
        QCOMPARE(byte(f.dialogCopy(), directionOffset(2) + DL::Green2 + 1), 2);
    }
};

QTEST_MAIN(TestNaprForm)
#include "tst_directionsdialog.moc"
