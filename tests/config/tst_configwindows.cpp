#include "app/MainWindow.h"
#include "app/Windows.h"
#include "config/DirectionsDialog.h"
#include "config/SafetyDialog.h"
#include "config/TemplatesDialog.h"
#include "model/ProjectFile.h"
#include "service/ControllerWindow.h"
#include "support/FakePrompts.h"
#include "support/ShellActions.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace PL = ProjectLayout;

class TestConfigWindows : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void toolbarAndMenuShowTheWindows_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("window");
        QTest::newRow("directions") << "BitBtn6"
                                    << "N18"
                                    << "Form13";
        QTest::newRow("safety") << "BitBtn7"
                                << "N9"
                                << "Form7";
        QTest::newRow("templates") << "BitBtn12"
                                   << "N4"
                                   << "Form8";
        QTest::newRow("controller") << "BitBtn11"
                                    << "N21"
                                    << "Form10";
    }
    void toolbarAndMenuShowTheWindows()
    {
        QFETCH(QString, button);
        QFETCH(QString, menu);
        QFETCH(QString, window);
        TForm1 w;
        createWindows(w);
        auto *shown = w.findChild<QWidget *>(window);
        QVERIFY(shown);
        QVERIFY(!shown->isVisible());
        trigger(w, qPrintable(menu));
        QVERIFY(shown->isVisible());
        shown->hide();
        clickTool(w, "BitBtn6");
        clickTool(w, qPrintable(button));
        QVERIFY(shown->isVisible());
        // The toolbar leaves one of its windows open.
        QCOMPARE(w.findChild<QWidget *>("Form13")->isVisible(), window == "Form13");
    }

    void controllerWindowShell()
    {
        TForm1 w;
        createWindows(w);
        auto *controller = w.findChild<TForm10 *>();
        QCOMPARE(controller->windowTitle(), QStringLiteral("ДК"));
        trigger(w, "N21");
        controller->findChild<QPushButton *>("ButtonOK")->click();
        QVERIFY(!controller->isVisible());
        QCOMPARE(controller->findChild<QPushButton *>("ButtonOK")->text(), QStringLiteral("ОК"));
    }

    void tramLimitReachesTheControllerStatusLine()
    {
        TForm1 w;
        createWindows(w);
        auto *directions = w.findChild<TForm13 *>();
        trigger(w, "N18");
        for (int i = 0; i < 5; ++i) {
            directions->findChild<QToolButton *>("ToolButton1")->click();
            directions->findChild<QListWidget *>("ListBoxTypes")->setCurrentRow(Napr::TramLeft);
            directions->findChild<QPushButton *>("ButtonTypeOk")->click();
        }
        QCOMPARE(w.findChild<TForm10 *>()->findChild<QLineEdit *>("EditStatus")->text(),
                 QStringLiteral("Превышено кол-во трамвайных светофоров"));
    }

    // The diagram and cycle length are redrawn from the working block after a save.
    void savedChangesRefreshTheMainWindow()
    {
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        int refreshes = 0;
        w.setProgramDisplayHook([&] { ++refreshes; });
        refreshes = 0;
        trigger(w, "N4");
        auto *templates = w.findChild<TForm8 *>();
        templates->StringGrid1SelectCell(1, 2);
        templates->findChild<QPushButton *>("Button1")->click();
        QCOMPARE(refreshes, 1);
        QCOMPARE(int(w.model().project()[templateMarkOffset(1, 0)]), 1);
        QVERIFY(w.model().modified());

        // Directions 1 and 2 now share template 2: flagging them asks, and Yes stores.
        trigger(w, "N9");
        auto *safety = w.findChild<TForm7 *>();
        safety->StringGrid1SelectCell(2, 1);
        prompts.answers.push_back(QMessageBox::Yes);
        safety->findChild<QPushButton *>("Button1")->click();
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QCOMPARE(refreshes, 2);
        QCOMPARE(int(w.model().project()[conflictFlagOffset(1, 0)]), 1);

        // The template dialog, opened afterwards, refuses to save until one of them changes.
        trigger(w, "N4");
        templates->StringGrid1SelectCell(1, 5); // any other change
        prompts.answers.push_back(QMessageBox::Yes);
        templates->findChild<QPushButton *>("Button1")->click();
        QCOMPARE(prompts.asked.size(), std::size_t(2));
        QCOMPARE(refreshes, 2);
        templates->StringGrid1SelectCell(2, 2); // direction 2 leaves template 2
        templates->findChild<QPushButton *>("Button1")->click();
        QCOMPARE(prompts.asked.size(), std::size_t(2));
        QCOMPARE(refreshes, 3);
    }

    void consistencyCheckAfterOpen()
    {
        const QString path = m_dir.filePath(QStringLiteral("conflict.velt"));
        {
            RingModel model;
            model.NewProjectDefaults();
            model.project()[templateMarkOffset(0, 1)] = 1;
            model.project()[conflictFlagOffset(0, 1)] = 1;
            QVERIFY(!ProjectFile::save(model, path));
        }
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        trigger(w, "N4"); // an open dialog follows the opened project
        prompts.files.push_back(path);
        prompts.answers.push_back(QMessageBox::Yes);
        trigger(w, "N16");
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("Отмена!!!"));
        QCOMPARE(
            prompts.asked[0].text,
            QStringLiteral("Ошибка проекта: матрица конфликтов не соответствует шаблонам фаз"));
        QCOMPARE(w.model().fileName(), path); // the project stays open
        QCOMPARE(int(w.findChild<TForm8 *>()->dialogCopy()[conflictFlagOffset(0, 1)]), 1);

        // A consistent project opens without a question.
        prompts.asked.clear();
        const QString clean = m_dir.filePath(QStringLiteral("clean.velt"));
        {
            RingModel model;
            model.NewProjectDefaults();
            QVERIFY(!ProjectFile::save(model, clean));
        }
        prompts.files.push_back(clean);
        trigger(w, "N16");
        QVERIFY(prompts.asked.empty());
    }
};

QTEST_MAIN(TestConfigWindows)
#include "tst_configwindows.moc"
