#include "app/MainWindow.h"
#include "app/VeltApplication.h"
#include "app/Windows.h"
#include "model/ByteIO.h"
#include "support/FakePrompts.h"
#include "support/ShellActions.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <stdexcept>

namespace PL = ProjectLayout;

namespace {

// A window that throws from an event handler, as a fault in any dialog might.
class Throwing : public QWidget
{
protected:
    void mousePressEvent(QMouseEvent *) override { throw std::runtime_error("boom"); }
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void titleAfterStartup()
    {
        TForm1 w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Новый проект — Конфигуратор ВЕЛТ"));
        QVERIFY(!w.model().modified());
        QCOMPARE(w.findChild<QComboBox *>("ComboBoxProgs")->count(), 32);
        QCOMPARE(w.findChild<QComboBox *>("ComboBox2")->count(), 1);
    }

    void menuItems_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("N12") << "N12"
                             << "Новый";
        QTest::newRow("N16") << "N16"
                             << "Открыть проект";
        QTest::newRow("N17") << "N17"
                             << "Сохранить проект";
        QTest::newRow("N3") << "N3"
                            << "Настройки";
        QTest::newRow("N18") << "N18"
                             << "Направления";
        QTest::newRow("N9") << "N9"
                            << "Безопасность";
        QTest::newRow("N4") << "N4"
                            << "Фазы";
        QTest::newRow("N5") << "N5"
                            << "Cуточные планы";
        QTest::newRow("N6") << "N6"
                            << "Недельные планы";
        QTest::newRow("N7") << "N7"
                            << "Годовой план";
        QTest::newRow("N21") << "N21"
                             << "ДК";
        QTest::newRow("N11") << "N11"
                             << "О программе";
        QTest::newRow("N22") << "N22"
                             << "Консоль";
    }
    void menuItems()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        TForm1 w;
        auto *action = w.findChild<QAction *>(name);
        QVERIFY(action);
        // The underlined letter aside, the item reads as before.
        QCOMPARE(action->text().remove(QLatin1Char('&')), text);
    }

    void toolButtons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hint");
        QTest::newRow("BitBtn5") << "BitBtn5"
                                 << "Настройки"
                                 << "Настройки проекта: описание, кольца, связь, журнал";
        QTest::newRow("BitBtn12") << "BitBtn12"
                                  << "Шаблоны фаз"
                                  << "Шаблоны фаз: какие направления горят в фазе";
        QTest::newRow("BitBtn11") << "BitBtn11"
                                  << "ДК"
                                  << "ДК: состояние, тестирование, журнал, время, загрузка";
        QTest::newRow("BitBtn1") << "BitBtn1"
                                 << "+"
                                 << "Добавить фазу";
        QTest::newRow("BitBtn2") << "BitBtn2"
                                 << "-"
                                 << "Уменьшить кол-во фаз";
        QTest::newRow("BitBtn3") << "BitBtn3"
                                 << ""
                                 << "Увеличить масштаб";
        QTest::newRow("BitBtn4") << "BitBtn4"
                                 << ""
                                 << "Уменьшить масштаб";
        QTest::newRow("Button7") << "Button7"
                                 << "<"
                                 << "Предыдущая программа";
        QTest::newRow("Button6") << "Button6"
                                 << ">"
                                 << "Следующая программа";
    }
    void toolButtons()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, hint);
        TForm1 w;
        auto *button = w.findChild<QToolButton *>(name);
        QVERIFY(button);
        if (!text.isEmpty())
            QCOMPARE(button->text(), text);
        QCOMPARE(button->toolTip(), hint);
    }

    void programNavigation()
    {
        TForm1 w;
        auto *programs = w.findChild<QComboBox *>("ComboBoxProgs");
        // Mark each program so the current-program copy shows which one was selected.
        for (int p = 0; p < MaxPrograms; ++p)
            writeU16(w.model().programs(), phaseOffset(p, 0) + PhaseLayout::MainTime, 100 + p);
        const auto copied = [&w] {
            return int(
                readU16(w.model().project(), PL::CurrentProgram + 1 + PhaseLayout::MainTime));
        };
        clickTool(w, "Button7"); // "<" on program 1 keeps it and still refreshes the copy
        QCOMPARE(w.model().currentProgram(), 0);
        QCOMPARE(copied(), 100);
        clickTool(w, "Button6");
        QCOMPARE(w.model().currentProgram(), 1);
        QCOMPARE(programs->currentIndex(), 1);
        QCOMPARE(copied(), 101);
        programs->setCurrentIndex(31);
        emit programs->activated(31);
        QCOMPARE(w.model().currentProgram(), 31);
        writeU16(w.model().programs(), phaseOffset(31, 0) + PhaseLayout::MainTime, 555);
        clickTool(w, "Button6"); // ">" on program 32 keeps it and copies again
        QCOMPARE(w.model().currentProgram(), 31);
        QCOMPARE(copied(), 555);
    }

    void ringSelector()
    {
        TForm1 w;
        w.model().setRingCount(2);
        w.refreshProgramDisplay();
        auto *rings = w.findChild<QComboBox *>("ComboBox2");
        QCOMPARE(rings->count(), 2);
        QCOMPARE(rings->itemText(1), QStringLiteral("2"));
        w.model().project()[PL::Description] = 'r';
        rings->setCurrentIndex(1);
        emit rings->activated(1);
        QCOMPARE(w.model().currentRing(), 1);
        QCOMPARE(int(w.model().store(0).project[PL::Description]), int('r'));
        QCOMPARE(rings->currentIndex(), 1);
        // Lowering the count (as the settings apply does) leaves only ring 1.
        w.model().storeWorkingCopy();
        w.model().setRingCount(1);
        w.model().ReloadRing(0);
        w.refreshProgramDisplay();
        QCOMPARE(rings->count(), 1);
        QCOMPARE(rings->currentIndex(), 0);
    }

    void fileSavedWithoutExtensionIsListedByOpen()
    {
        FakePrompts prompts;
        TForm1 w;
        w.setConsistencyCheck({});
        prompts.files = {QString()};
        trigger(w, "N17");
        // The save dialog completes a bare name with the default suffix.
        const QString saved = QStringLiteral("перекрёсток.") + prompts.lastSuffix;
        prompts.files = {QString()};
        trigger(w, "N16");
        const QString filter = prompts.lastFilter;
        const qsizetype open = filter.indexOf(QLatin1Char('('));
        const QStringList patterns =
            filter.mid(open + 1, filter.lastIndexOf(QLatin1Char(')')) - open - 1)
                .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // The file dialog on Linux matches case-sensitively.
        const bool listed = std::any_of(patterns.begin(), patterns.end(), [&](const QString &p) {
            return QRegularExpression::fromWildcard(p, Qt::CaseSensitive).match(saved).hasMatch();
        });
        QVERIFY2(listed, qPrintable(filter));
    }

    void saveAndOpen()
    {
        FakePrompts prompts;
        TForm1 w;
        const QString file = m_dir.filePath(QStringLiteral("p.velt"));
        w.model().setModified(true);
        prompts.files = {file};
        trigger(w, "N17");
        QCOMPARE(prompts.lastSuffix, QStringLiteral("velt"));
        QVERIFY(prompts.lastFilter.startsWith(QStringLiteral("VELT Binary files (*.velt")));
        QCOMPARE(QFile(file).size(), 117414);
        QVERIFY(!w.model().modified());
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("p.velt — ")));

        int checks = 0;
        w.setConsistencyCheck([&checks](const ProjectBlock &) { return ++checks == 2; });
        prompts.files = {file};
        trigger(w, "N16");
        QCOMPARE(checks, 1);
        QVERIFY(prompts.asked.empty());
        // A cancelled open still runs the check; a conflict shows the Yes/No message.
        prompts.files = {QString()};
        trigger(w, "N16");
        QCOMPARE(checks, 2);
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("Отмена!!!"));
        QCOMPARE(
            prompts.asked[0].text,
            QStringLiteral("Ошибка проекта: матрица конфликтов не соответствует шаблонам фаз"));
        QCOMPARE(prompts.asked[0].buttons, QMessageBox::Yes | QMessageBox::No);
    }

    void openUnreadableFileKeepsTitleAndModel()
    {
        FakePrompts prompts;
        TForm1 w;
        w.model().setModified(true);
        w.model().project()[PL::Description] = 'k';
        prompts.files = {m_dir.filePath(QStringLiteral("missing.velt"))};
        prompts.answers = {QMessageBox::No}; // the edits may go, for a project that opens
        trigger(w, "N16");
        QCOMPARE(prompts.asked.size(), std::size_t(2));
        QVERIFY(prompts.asked[1].text.contains(QStringLiteral("missing.velt")));
        QCOMPARE(w.windowTitle(), QStringLiteral("Новый проект* — Конфигуратор ВЕЛТ"));
        QCOMPARE(int(w.model().project()[PL::Description]), int('k'));
        QVERIFY(w.model().modified());
    }

    void closeQuery_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveTo"); // "" cancels the save dialog
        QTest::addColumn<bool>("closes");
        QTest::addColumn<int>("questions");
        QTest::newRow("unmodified closes silently") << false << 0 << "" << true << 0;
        QTest::newRow("cancel stays") << true << int(QMessageBox::Cancel) << "" << false << 1;
        QTest::newRow("no closes") << true << int(QMessageBox::No) << "" << true << 1;
        QTest::newRow("yes, dialog cancelled, closes")
            << true << int(QMessageBox::Yes) << "" << true << 1;
        QTest::newRow("yes, saved, closes")
            << true << int(QMessageBox::Yes) << "c.velt" << true << 1;
        QTest::newRow("yes, save fails, stays")
            << true << int(QMessageBox::Yes) << "no/dir/c.velt" << false << 2;
    }
    void closeQuery()
    {
        QFETCH(bool, modified);
        QFETCH(int, answer);
        QFETCH(QString, saveTo);
        QFETCH(bool, closes);
        QFETCH(int, questions);
        FakePrompts prompts;
        prompts.answers = {QMessageBox::StandardButton(answer)};
        prompts.files = {saveTo.isEmpty() ? QString() : m_dir.filePath(saveTo)};
        TForm1 w;
        w.show();
        w.model().setModified(modified);
        QCOMPARE(w.close(), closes);
        QCOMPARE(int(prompts.asked.size()), questions);
        if (modified) {
            QCOMPARE(prompts.asked[0].caption, QStringLiteral("Сохранение"));
            QCOMPARE(prompts.asked[0].text, QStringLiteral("Проект не сохранен! Сохранить?"));
        }
    }

    void toolbarHidesOthersMenuDoesNot()
    {
        TForm1 w;
        QWidget dayPlans, safety, console;
        w.attachWindow(TForm1::Window::DayPlans, &dayPlans);
        w.attachWindow(TForm1::Window::Safety, &safety);
        w.attachWindow(TForm1::Window::Console, &console);
        trigger(w, "N5");
        trigger(w, "N22");
        trigger(w, "N9");
        QVERIFY(dayPlans.isVisible());
        QVERIFY(safety.isVisible());
        safety.hide();
        clickTool(w, "BitBtn7");
        QVERIFY(safety.isVisible());
        QVERIFY(!dayPlans.isVisible());
        QVERIFY(console.isVisible()); // not one of the toolbar's windows
        int shown = 0;
        w.attachWindow(TForm1::Window::Templates, &dayPlans, [&] {
            ++shown;
            dayPlans.show();
        });
        clickTool(w, "BitBtn12");
        QCOMPARE(shown, 1);
        QVERIFY(!safety.isVisible());
        clickTool(w, "BitBtn6"); // no window yet: nothing happens, nothing breaks
    }

    void aboutBox()
    {
        TForm1 w;
        createWindows(w);
        trigger(w, "N11");
        auto *about = w.findChild<QDialog *>("Form9");
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("О программе"));
    }

    void escapedErrorIsShownAndProgramGoesOn()
    {
        FakePrompts prompts;
        Throwing widget;
        widget.resize(50, 50);
        widget.show();
        QTest::mouseClick(&widget, Qt::LeftButton);
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QVERIFY(prompts.asked[0].text.contains(QStringLiteral("boom")));
        QTest::mouseClick(&widget, Qt::LeftButton);
        QCOMPARE(prompts.asked.size(), std::size_t(2));
    }
};

int main(int argc, char **argv)
{
    VeltApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainwindow.moc"
