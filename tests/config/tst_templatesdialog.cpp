#include "config/StringGrid.h"
#include "config/Templates.h"
#include "config/TemplatesDialog.h"
#include "support/FakePrompts.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace PL = ProjectLayout;

class TestFazasForm : public QObject
{
    Q_OBJECT
private:
    static StringGrid *grid(TForm8 &f) { return f.findChild<StringGrid *>("StringGrid1"); }
    static void click(TForm8 &f, int row, int column)
    {
        StringGrid *g = grid(f);
        const QRect cell = g->visualRect(g->model()->index(row, column));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
    }
    static void press(TForm8 &f, const char *name)
    {
        auto *button = f.findChild<QPushButton *>(name);
        QVERIFY2(button, name);
        button->click();
    }
    static int mark(const ProjectBlock &b, int t, int d) { return b[templateMarkOffset(t, d)]; }

private slots:
    void layout()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm8 f(model);
        f.openDialog();
        StringGrid *g = grid(f);
        QVERIFY(g);
        QCOMPARE(f.windowTitle(), QStringLiteral("Шаблоны фаз"));
        QCOMPARE(g->columnCount(), 33);
        QCOMPARE(g->rowCount(), 3);
        QCOMPARE(g->columnWidth(0), 100);
        QCOMPARE(g->columnWidth(1), 40);
        QCOMPARE(g->columnWidth(32), 40);
        QCOMPARE(g->item(0, 0)->text(), QStringLiteral(" Напр / Фазы"));
        QCOMPARE(g->item(0, 32)->text(), QStringLiteral("32"));
        QCOMPARE(g->item(2, 0)->text(), QStringLiteral("2"));
        QCOMPARE(g->cellColour(1, 1), QColor(Qt::green));
        QCOMPARE(g->cellColour(1, 2), QColor(Qt::red));
        QCOMPARE(g->cellColour(2, 2), QColor(Qt::green));
        QCOMPARE(f.findChild<QLabel *>("StatusBar1")->text(),
                 QStringLiteral("Выберите состояние направлений в фазах"));
        // Opening takes the direction count of a fresh copy.
        model.project()[PL::DirectionCount] = 1;
        f.openDialog();
        QCOMPARE(g->rowCount(), 2);
    }

    void mouseTogglesEveryClick()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm8 f(model);
        f.openDialog();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        click(f, 2, 5);
        QCOMPARE(mark(f.dialogCopy(), 4, 1), 1);
        QCOMPARE(grid(f)->cellColour(2, 5), QColor(Qt::green));
        click(f, 2, 5); // the same cell again
        QCOMPARE(mark(f.dialogCopy(), 4, 1), 0);
        click(f, 1, 1);
        QCOMPARE(mark(f.dialogCopy(), 0, 0), 0);
        QCOMPARE(mark(model.project(), 0, 0), 1); // nothing stored yet
        click(f, 0, 3);                           // header: nothing to toggle
        QCOMPARE(mark(f.dialogCopy(), 2, 0), 0);
    }

    void arrowKeysToggleEveryCellEntered()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm8 f(model);
        f.openDialog();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        click(f, 1, 3);
        QCOMPARE(mark(f.dialogCopy(), 2, 0), 1);
        QTest::keyClick(grid(f), Qt::Key_Right);
        QTest::keyClick(grid(f), Qt::Key_Right);
        QTest::keyClick(grid(f), Qt::Key_Down);
        QTest::keyClick(grid(f), Qt::Key_Left);
        QCOMPARE(mark(f.dialogCopy(), 3, 0), 1);
        QCOMPARE(mark(f.dialogCopy(), 4, 0), 1);
        QCOMPARE(mark(f.dialogCopy(), 4, 1), 1);
        QCOMPARE(mark(f.dialogCopy(), 3, 1), 1);
        // Up enters row 1 again (toggling it back); a second Up stays: the header is not a cell.
        QTest::keyClick(grid(f), Qt::Key_Up);
        QTest::keyClick(grid(f), Qt::Key_Up);
        QCOMPARE(mark(f.dialogCopy(), 3, 0), 0);
        QCOMPARE(grid(f)->currentRow(), 1);
        // Tab moves the focus on and toggles nothing.
        const ProjectBlock before = f.dialogCopy();
        QTest::keyClick(grid(f), Qt::Key_Tab);
        QVERIFY(f.dialogCopy() == before);
        QCOMPARE(grid(f)->currentColumn(), 4);
    }

    void saveStoresTemplatesOnly()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm8 f(model);
        f.openDialog();
        QSignalSpy edited(&model, &RingModel::edited);
        f.StringGrid1SelectCell(1, 2);   // direction 1 green in template 2
        model.project()[PL::Yellow] = 9; // changed elsewhere meanwhile: not the dialog's range
        press(f, "Button1");
        QCOMPARE(edited.count(), 1);
        QVERIFY(model.modified());
        QCOMPARE(mark(model.project(), 1, 0), 1);
        QCOMPARE(int(model.project()[PL::Yellow]), 9);
        QVERIFY(f.isVisible()); // the dialog stays open
    }

    void conflictingTemplatesAreNeverSaved_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(QMessageBox::Yes);
        QTest::newRow("no") << int(QMessageBox::No);
    }
    void conflictingTemplatesAreNeverSaved()
    {
        QFETCH(int, answer);
        FakePrompts prompts;
        prompts.answers.push_back(QMessageBox::StandardButton(answer));
        RingModel model;
        model.NewProjectDefaults();
        model.project()[conflictFlagOffset(1, 0)] = 1; // only the mirror cell is flagged
        TForm8 f(model);
        f.openDialog();
        QSignalSpy edited(&model, &RingModel::edited);
        f.StringGrid1SelectCell(2, 1); // direction 2 joins template 1
        press(f, "Button1");
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("Отменено!!!"));
        QCOMPARE(
            prompts.asked[0].text,
            QStringLiteral("Ошибка проекта: матрица конфликтов не соответствует шаблонам фаз"));
        QCOMPARE(prompts.asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(edited.count(), 0);
        QCOMPARE(mark(model.project(), 0, 1), 0);
        QCOMPARE(mark(f.dialogCopy(), 0, 1), 1); // the edit stays in the dialog
        QVERIFY(!model.modified());
    }

    void closeDropsUnsavedMarks()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm8 f(model);
        f.openDialog();
        f.StringGrid1SelectCell(1, 7);
        press(f, "Button2");
        QVERIFY(!f.isVisible());
        f.openDialog();
        QCOMPARE(mark(f.dialogCopy(), 6, 0), 0);
    }

    void ringSwitchRetakesTheCopy()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        model.store(1).project[PL::DirectionCount] = 4;
        TForm8 f(model);
        f.openDialog();
        f.StringGrid1SelectCell(1, 9); // ring 1, unsaved
        model.SwitchRing(1);
        QCOMPARE(grid(f)->rowCount(), 5);
        QCOMPARE(mark(f.dialogCopy(), 8, 0), 0);
        press(f, "Button1");
        QCOMPARE(mark(model.project(), 8, 0), 0);
        QCOMPARE(mark(model.store(0).project, 8, 0), 0);
    }
};

QTEST_MAIN(TestFazasForm)
#include "tst_templatesdialog.moc"
