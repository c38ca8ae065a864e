#include "config/SafetyDialog.h"
#include "config/StringGrid.h"
#include "model/ByteIO.h"
#include "support/FakePrompts.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace PL = ProjectLayout;

class TestGuardForm : public QObject
{
    Q_OBJECT
private:
    static StringGrid *flags(TForm7 &f) { return f.findChild<StringGrid *>("StringGrid1"); }
    static StringGrid *times(TForm7 &f) { return f.findChild<StringGrid *>("StringGrid2"); }
    static QLineEdit *edit(TForm7 &f, int n)
    {
        return f.findChild<QLineEdit *>(QStringLiteral("Edit%1").arg(n));
    }
    static void save(TForm7 &f) { f.findChild<QPushButton *>("Button1")->click(); }
    static void clickCell(StringGrid *g, int row, int column)
    {
        const QRect cell = g->visualRect(g->model()->index(row, column));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
    }
    // Shows the page of the grid and types into one of its cells as a user would.
    static void typeTime(TForm7 &f, int row, int column, const QString &text)
    {
        f.findChild<QTabWidget *>("PageControl1")->setCurrentIndex(1);
        StringGrid *g = times(f);
        clickCell(g, row, column);
        QCOMPARE(g->currentRow(), row);
        QCOMPARE(g->currentColumn(), column);
        const QModelIndex index = g->currentIndex();
        g->edit(index);
        auto *editor = qobject_cast<QLineEdit *>(g->indexWidget(index));
        QVERIFY(editor);
        editor->clear();
        QTest::keyClicks(editor, text); // still open: "Сохранить" takes it over
    }
    static bool flag(const ProjectBlock &b, int i, int j) { return b[conflictFlagOffset(i, j)]; }

private slots:
    // A dark desktop theme brings a larger, bolder font: every tab name still shows whole,
    // "Аварии" last of all, without scrolling the tabs.
    void tabNamesShowWholeInALargerFont()
    {
        const QFont before = QApplication::font();
        QFont large = before;
        large.setPointSizeF(before.pointSizeF() * 1.4);
        large.setBold(true);
        QApplication::setFont(large);
        RingModel model;
        model.NewProjectDefaults();
        TForm7 f(model);
        f.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        const QTabBar *bar = f.findChild<QTabWidget *>("PageControl1")->tabBar();
        for (int i = 0; i < bar->count(); ++i) {
            const QRect tab = bar->tabRect(i);
            QVERIFY2(bar->rect().contains(tab), qPrintable(bar->tabText(i)));
            QVERIFY(tab.width() > bar->fontMetrics().horizontalAdvance(bar->tabText(i)));
        }
        QApplication::setFont(before);
    }

    void pages()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm7 f(model);
        QCOMPARE(f.windowTitle(), QStringLiteral("Параметры безопасности"));
        auto *pages = f.findChild<QTabWidget *>("PageControl1");
        QCOMPARE(pages->count(), 4);
        QCOMPARE(pages->tabText(0), QStringLiteral("Флаги матрицы конфликтов"));
        QCOMPARE(pages->tabText(1), QStringLiteral("Времена матрицы конфликтов"));
        QCOMPARE(pages->tabText(2), QStringLiteral("Время пром."));
        QCOMPARE(pages->tabText(3), QStringLiteral("Аварии"));
        QCOMPARE(pages->currentIndex(), 2);
        const QStringList values = {"2", "3", "2", "3", "5", "3600", "1", "5", "5", "5"};
        for (int n = 1; n <= 10; ++n)
            QCOMPARE(edit(f, n)->text(), values[n - 1]);
        QCOMPARE(f.findChild<QComboBox *>("ComboBox1")->currentText(), QStringLiteral("Красный"));
        QCOMPARE(flags(f)->rowCount(), 3);
        QCOMPARE(times(f)->columnCount(), 3);
        QCOMPARE(flags(f)->item(0, 2)->text(), QStringLiteral("2"));
    }

    void flagIsNotMirroredAndOpensOneTimeCell()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm7 f(model);
        f.openDialog();
        f.findChild<QTabWidget *>("PageControl1")->setCurrentIndex(0);
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        clickCell(flags(f), 1, 2);
        QVERIFY(flag(f.dialogCopy(), 0, 1));
        QVERIFY(!flag(f.dialogCopy(), 1, 0));
        QCOMPARE(flags(f)->cellColour(1, 2), QColor(Qt::red));
        QCOMPARE(flags(f)->cellColour(2, 1), QColor(Qt::white));
        QCOMPARE(flags(f)->cellColour(1, 1), QColor(Qt::gray));
        QVERIFY(times(f)->item(1, 2)->flags() & Qt::ItemIsEditable);
        QVERIFY(!(times(f)->item(2, 1)->flags() & Qt::ItemIsEnabled));
        QVERIFY(!(times(f)->item(1, 1)->flags() & Qt::ItemIsEnabled));
        QVERIFY(!flag(model.project(), 0, 1)); // nothing stored before "Сохранить"
        clickCell(flags(f), 1, 1);             // diagonal: only a reload
        QVERIFY(!flag(f.dialogCopy(), 0, 0));
        clickCell(flags(f), 1, 2); // again: clears
        QVERIFY(!flag(f.dialogCopy(), 0, 1));
    }

    void clearedFlagHidesItsTimeAndKeepsIt()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.project()[conflictTimeOffset(1, 0)] = 6;
        TForm7 f(model);
        f.openDialog();
        QCOMPARE(times(f)->item(2, 1)->text(), QString());
        f.StringGrid1SelectCell(2, 1);
        QCOMPARE(times(f)->item(2, 1)->text(), QStringLiteral("6"));
        f.StringGrid1SelectCell(2, 1);
        QCOMPARE(times(f)->item(2, 1)->text(), QString());
        f.StringGrid1SelectCell(2, 1);
        save(f);
        QCOMPARE(int(model.project()[conflictTimeOffset(1, 0)]), 6);
        QVERIFY(flag(model.project(), 1, 0));
    }

    void typedTimes_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::newRow("12") << "12" << 12;
        QTest::newRow("300 stores 255") << "300" << 255;
        QTest::newRow("letters dropped") << "x7y" << 7;
        QTest::newRow("minus dropped") << "-4" << 4;
        QTest::newRow("nothing typed keeps") << "" << 9;
    }
    void typedTimes()
    {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        RingModel model;
        model.NewProjectDefaults();
        model.project()[conflictFlagOffset(0, 1)] = 1;
        model.project()[conflictTimeOffset(0, 1)] = 9;
        TForm7 f(model);
        f.openDialog();
        QVERIFY(QTest::qWaitForWindowExposed(&f));
        typeTime(f, 1, 2, typed);
        save(f);
        QCOMPARE(int(model.project()[conflictTimeOffset(0, 1)]), stored);
        QCOMPARE(times(f)->item(1, 2)->text(), QString::number(stored)); // reloaded
    }

    void toggleDiscardsTypedValues()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.project()[conflictFlagOffset(0, 1)] = 1;
        model.project()[conflictTimeOffset(0, 1)] = 9;
        TForm7 f(model);
        f.openDialog();
        times(f)->item(1, 2)->setText(QStringLiteral("44"));
        edit(f, 2)->setText(QStringLiteral("7"));
        f.StringGrid1SelectCell(2, 1);
        QCOMPARE(times(f)->item(1, 2)->text(), QStringLiteral("9"));
        QCOMPARE(edit(f, 2)->text(), QStringLiteral("3"));
    }

    void fieldsOnSave_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("stored");
        QTest::newRow("yellow letters keep") << 2 << "abc" << 10340 << 3;
        QTest::newRow("yellow") << 2 << "4" << 10340 << 4;
        QTest::newRow("min red negative keeps") << 1 << "-1" << 10339 << 2;
        QTest::newRow("green blink too wide keeps") << 4 << "256" << 10342 << 3;
        QTest::newRow("all red") << 7 << "12" << 10351 << 12;
        QTest::newRow("restart interval") << 8 << "30" << 10347 << 30;
        QTest::newRow("attempts") << 9 << "0" << 10348 << 0;
        QTest::newRow("failure clear") << 10 << "120" << 10349 << 120;
    }
    void fieldsOnSave()
    {
        QFETCH(int, edit);
        QFETCH(QString, typed);
        QFETCH(int, offset);
        QFETCH(int, stored);
        RingModel model;
        model.NewProjectDefaults();
        TForm7 f(model);
        f.openDialog();
        TestGuardForm::edit(f, edit)->setText(typed);
        save(f);
        QCOMPARE(int(model.project()[offset]), stored);
        QCOMPARE(TestGuardForm::edit(f, edit)->text(), QString::number(stored));
    }

    void maxPhaseAndFillMode()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm7 f(model);
        f.openDialog();
        edit(f, 6)->setText(QStringLiteral("1200"));
        f.findChild<QComboBox *>("ComboBox1")->setCurrentIndex(1);
        save(f);
        QCOMPARE(int(readU16(model.project(), PL::MaxPhaseDuration)), 1200);
        QCOMPARE(int(model.project()[PL::FillMode]), 1);
    }

    void conflictingTemplatesAsk_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("stored");
        QTest::newRow("yes stores") << int(QMessageBox::Yes) << true;
        QTest::newRow("no keeps") << int(QMessageBox::No) << false;
    }
    void conflictingTemplatesAsk()
    {
        QFETCH(int, answer);
        QFETCH(bool, stored);
        FakePrompts prompts;
        prompts.answers.push_back(QMessageBox::StandardButton(answer));
        RingModel model;
        model.NewProjectDefaults();
        model.project()[templateMarkOffset(0, 1)] = 1; // directions 1 and 2 share template 1
        TForm7 f(model);
        f.openDialog();
        QSignalSpy edited(&model, &RingModel::edited);
        f.StringGrid1SelectCell(1, 2);
        edit(f, 2)->setText(QStringLiteral("4"));
        save(f);
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("Отменено!!!"));
        QCOMPARE(
            prompts.asked[0].text,
            QStringLiteral("Ошибка проекта: матрица конфликтов не соответствует шаблонам фаз"));
        QCOMPARE(prompts.asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(flag(model.project(), 0, 1), stored);
        QCOMPARE(int(model.project()[PL::Yellow]), stored ? 4 : 3);
        QCOMPARE(edited.count(), stored ? 1 : 0);
        QCOMPARE(model.modified(), stored);
        if (!stored)
            QCOMPARE(edit(f, 2)->text(), QStringLiteral("4")); // the dialog does not change
    }

    void saveWritesOnlyItsRange()
    {
        RingModel model;
        model.NewProjectDefaults();
        TForm7 f(model);
        f.openDialog();
        model.project()[templateMarkOffset(5, 5)] = 1; // edited elsewhere meanwhile
        model.project()[PL::Description] = 'x';
        f.StringGrid1SelectCell(2, 1);
        save(f);
        QCOMPARE(int(model.project()[templateMarkOffset(5, 5)]), 1);
        QCOMPARE(int(model.project()[PL::Description]), int('x'));
        QVERIFY(flag(model.project(), 1, 0));
    }

    void ringSwitchRetakesTheCopy()
    {
        RingModel model;
        model.NewProjectDefaults();
        model.setRingCount(2);
        model.store(1).project[PL::Yellow] = 7;
        TForm7 f(model);
        f.openDialog();
        f.StringGrid1SelectCell(1, 2); // ring 1, unsaved
        model.SwitchRing(1);
        QCOMPARE(edit(f, 2)->text(), QStringLiteral("7"));
        save(f);
        QVERIFY(!flag(model.project(), 0, 1));
        QVERIFY(!flag(model.store(0).project, 0, 1));
    }
};

QTEST_MAIN(TestGuardForm)
#include "tst_safetydialog.moc"
