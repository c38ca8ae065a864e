#include "app/MainWindow.h"
#include "app/ProjectSettingsDialog.h"
#include "app/Windows.h"
#include "config/TemplatesDialog.h"
#include "model/ByteIO.h"
#include "programs/ProgramView.h"
#include "support/FakePrompts.h"
#include "support/SealedImage.h"
#include "support/ShellActions.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

namespace PL = ProjectLayout;
namespace FL = PhaseLayout;

namespace {

QAction *action(TForm1 &w, const char *name)
{
    return w.findChild<QAction *>(QLatin1String(name));
}

template <typename T> T *child(QWidget *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

void clickAt(ProgramView *view, QPoint point)
{
    QTest::mouseClick(view, Qt::LeftButton, {}, point);
}

} // namespace

// Undo and redo driven through the menu, over edits made in the editors themselves.
class TestUndo : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString m_previousDir;

    // One change in every kind of editor, in order; returns the step texts.
    QStringList editEverywhere(TForm1 &w, std::vector<QByteArray> &images)
    {
        RingModel &model = w.model();
        auto *view = w.findChild<ProgramView *>();
        images.push_back(sealedImage(model));

        trigger(w, "N4"); // templates: direction 1 joins template 2
        auto *templates = w.findChild<TForm8 *>();
        templates->StringGrid1SelectCell(1, 2);
        child<QPushButton>(templates, "Button1")->click();
        images.push_back(sealedImage(model));

        // The edit panel: main time of phase 1.
        for (const Diagram::Bar &bar : view->diagram().bars)
            if (bar.phase == 0 && bar.direction == 0 && bar.slot == 0)
                clickAt(view, bar.rect.center());
        child<QLineEdit>(view, "Edit1")->setText(QStringLiteral("25"));
        child<QPushButton>(view, "Button2")->click();
        images.push_back(sealedImage(model));

        trigger(w, "N3"); // settings: a description and a second ring
        auto *settings = w.findChild<TForm2 *>();
        child<QPlainTextEdit>(settings, "Memo1")->setPlainText(QStringLiteral("Перекрёсток 5"));
        child<QSlider>(settings, "TrackBar1")->setValue(2);
        child<QPushButton>(settings, "Button1")->click();
        images.push_back(sealedImage(model));

        clickTool(w, "BitBtn1"); // "+" after phase 1
        images.push_back(sealedImage(model));

        // The direction panel: direction 1 becomes a pedestrian signal.
        clickAt(view, view->diagram().labels.front().rect.center());
        child<QComboBox>(view, "ComboBoxNapr")->setCurrentIndex(1);
        child<QPushButton>(view, "Button4")->click();
        images.push_back(sealedImage(model));

        for (std::size_t i = 1; i < images.size(); ++i)
            if (images[i] == images[i - 1])
                qWarning("step %d changed nothing", int(i));
        return {QStringLiteral("сохранение окна «Шаблоны фаз»"), QStringLiteral("изменение фазы 1"),
                QStringLiteral("изменение настроек проекта"), QStringLiteral("добавление фазы 2"),
                QStringLiteral("изменение типа направления 1")};
    }

private slots:
    void initTestCase()
    {
        // The settings dialog writes "config.str" into the working folder.
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
    }
    void cleanupTestCase() { QDir::setCurrent(m_previousDir); }

    void menuSitsAfterFileWithItsKeys()
    {
        TForm1 w;
        const QList<QAction *> menus = w.menuBar()->actions();
        QVERIFY(menus.size() >= 2);
        QCOMPARE(menus[0]->text().remove(QLatin1Char('&')), QStringLiteral("Файл"));
        QCOMPARE(menus[1]->text().remove(QLatin1Char('&')), QStringLiteral("Правка"));
        QCOMPARE(action(w, "ActionUndo")->shortcuts(),
                 QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Z"))});
        QCOMPARE(action(w, "ActionRedo")->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                                      QKeySequence(QStringLiteral("Ctrl+Y"))}));
        QCOMPARE(action(w, "ActionUndo")->text(), QStringLiteral("Отменить"));
        QCOMPARE(action(w, "ActionRedo")->text(), QStringLiteral("Повторить"));
        QVERIFY(!action(w, "ActionUndo")->isEnabled());
        QVERIFY(!action(w, "ActionRedo")->isEnabled());
    }

    // Edits in five editors, undone one by one: after each undo the project is byte for byte
    // what a save would have written before that edit; redo replays them.
    void undoAndRedoEveryEditor()
    {
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        w.show();
        std::vector<QByteArray> images;
        const QStringList steps = editEverywhere(w, images);
        QCOMPARE(w.history().stack().count(), int(steps.size()));
        QCOMPARE(w.findChild<QComboBox *>("ComboBox2")->count(), 2);

        for (int k = int(steps.size()); k >= 1; --k) {
            QCOMPARE(action(w, "ActionUndo")->text(), QStringLiteral("Отменить: ") + steps[k - 1]);
            QVERIFY(action(w, "ActionUndo")->isEnabled());
            trigger(w, "ActionUndo");
            QVERIFY2(sealedImage(w.model()) == images[std::size_t(k - 1)],
                     qPrintable(steps[k - 1]));
            QCOMPARE(action(w, "ActionRedo")->text(), QStringLiteral("Повторить: ") + steps[k - 1]);
        }
        QVERIFY(!action(w, "ActionUndo")->isEnabled());
        QCOMPARE(action(w, "ActionUndo")->text(), QStringLiteral("Отменить"));
        QVERIFY(!w.model().modified());
        // The main window shows the restored project.
        QCOMPARE(w.findChild<QComboBox *>("ComboBox2")->count(), 1);
        QCOMPARE(w.findChild<QLabel *>("Panel3")->text(), QStringLiteral("32 c"));

        for (std::size_t k = 1; k <= std::size_t(steps.size()); ++k) {
            trigger(w, "ActionRedo");
            QVERIFY2(sealedImage(w.model()) == images[k], qPrintable(steps[int(k) - 1]));
        }
        QVERIFY(!action(w, "ActionRedo")->isEnabled());
        QVERIFY(w.model().modified());
        QCOMPARE(w.findChild<QComboBox *>("ComboBox2")->count(), 2);
    }

    // Dialogs left open while the project is undone show the restored values, so that their
    // next "Сохранить" cannot write the undone change back.
    void openDialogsShowTheRestoredProject()
    {
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        std::vector<QByteArray> images;
        editEverywhere(w, images);
        auto *templates = w.findChild<TForm8 *>();
        auto *settings = w.findChild<TForm2 *>();
        QVERIFY(templates->isVisible());
        QVERIFY(settings->isVisible());
        auto *memo = child<QPlainTextEdit>(settings, "Memo1");
        auto *rings = child<QSlider>(settings, "TrackBar1");

        trigger(w, "ActionUndo");
        trigger(w, "ActionUndo");
        QCOMPARE(memo->toPlainText(), QStringLiteral("Перекрёсток 5"));
        trigger(w, "ActionUndo"); // the settings
        QCOMPARE(memo->toPlainText(), QString());
        QCOMPARE(rings->value(), 1);
        trigger(w, "ActionUndo");
        QCOMPARE(int(templates->dialogCopy()[templateMarkOffset(1, 0)]), 1);
        trigger(w, "ActionUndo"); // the templates
        QCOMPARE(int(templates->dialogCopy()[templateMarkOffset(1, 0)]), 0);
        QVERIFY(templates->dialogCopy() == w.model().project());

        trigger(w, "ActionRedo");
        QCOMPARE(int(templates->dialogCopy()[templateMarkOffset(1, 0)]), 1);
        trigger(w, "ActionRedo");
        trigger(w, "ActionRedo");
        QCOMPARE(memo->toPlainText(), QStringLiteral("Перекрёсток 5"));
        QCOMPARE(rings->value(), 2);
    }

    void modifiedFollowsTheSavedPoint()
    {
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        std::vector<QByteArray> images;
        editEverywhere(w, images);
        trigger(w, "ActionUndo");
        trigger(w, "ActionUndo");
        prompts.files = {m_dir.filePath(QStringLiteral("saved.velt"))};
        trigger(w, "N17");
        QVERIFY(!w.model().modified());

        trigger(w, "ActionUndo");
        QVERIFY(w.model().modified());
        trigger(w, "ActionRedo");
        QVERIFY(!w.model().modified());
        trigger(w, "ActionRedo");
        QVERIFY(w.model().modified());
        trigger(w, "ActionUndo");
        QVERIFY(!w.model().modified());
        // What the file holds is what the project is at the saved point.
        QFile file(m_dir.filePath(QStringLiteral("saved.velt")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == sealedImage(w.model()));
    }

    // A description or ring count applied in the settings is project data like any other:
    // closing without saving it asks, and undoing it back to the saved state does not.
    void settingsApplyCountsAsAChange()
    {
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        trigger(w, "N3");
        auto *settings = w.findChild<TForm2 *>();
        child<QPlainTextEdit>(settings, "Memo1")->setPlainText(QStringLiteral("Узел 7"));
        child<QPushButton>(settings, "Button1")->click();
        QVERIFY(w.model().modified());
        trigger(w, "ActionUndo");
        QVERIFY(!w.model().modified());
        QCOMPARE(child<QPlainTextEdit>(settings, "Memo1")->toPlainText(), QString());
    }

    void newAndOpenStartAFreshHistory_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::newRow("new") << "N12";
        QTest::newRow("open") << "N16";
    }
    void newAndOpenStartAFreshHistory()
    {
        QFETCH(QString, menu);
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        const QString file = m_dir.filePath(QStringLiteral("fresh.velt"));
        prompts.files = {file};
        trigger(w, "N17");
        std::vector<QByteArray> images;
        editEverywhere(w, images);
        QVERIFY(action(w, "ActionUndo")->isEnabled());
        prompts.files = {file};
        prompts.answers = {QMessageBox::No}; // the edits are thrown away on purpose
        trigger(w, qPrintable(menu));
        QVERIFY(!action(w, "ActionUndo")->isEnabled());
        QVERIFY(!action(w, "ActionRedo")->isEnabled());
        QCOMPARE(w.history().stack().count(), 0);
        QVERIFY(!w.model().modified());

        // A cancelled open keeps the history.
        clickTool(w, "BitBtn1");
        prompts.files = {QString()};
        prompts.answers = {QMessageBox::No};
        trigger(w, "N16");
        QVERIFY(action(w, "ActionUndo")->isEnabled());
    }

    // Zoom, ring and program changes make no step; an undo shows the program and ring where
    // the undone change was made.
    void undoReturnsToWhereTheChangeWasMade()
    {
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        w.model().setRingCount(2);
        w.refreshProgramDisplay();
        auto *programs = w.findChild<QComboBox *>("ComboBoxProgs");
        auto *rings = w.findChild<QComboBox *>("ComboBox2");
        w.ComboBox2Change(1);
        w.ComboBoxProgsChange(2);
        clickTool(w, "BitBtn1");
        const QString longer = w.findChild<QLabel *>("Panel3")->text();
        QCOMPARE(w.history().stack().count(), 1);
        clickTool(w, "BitBtn3");
        clickTool(w, "BitBtn4");
        clickTool(w, "Button6");
        w.ComboBox2Change(0);
        QCOMPARE(w.history().stack().count(), 1);
        QCOMPARE(programs->currentIndex(), 3);

        trigger(w, "ActionUndo");
        QCOMPARE(w.model().currentRing(), 1);
        QCOMPARE(rings->currentIndex(), 1);
        QCOMPARE(programs->currentIndex(), 2);
        QCOMPARE(w.findChild<QLabel *>("Panel3")->text(), QStringLiteral("32 c"));
        QCOMPARE(w.model().programs()[programOffset(2) + ProgramLayout::PhaseCount], 2);
        QCOMPARE(w.model().store(0).programs[programOffset(2) + ProgramLayout::PhaseCount], 2);
        trigger(w, "ActionRedo");
        QCOMPARE(w.findChild<QLabel *>("Panel3")->text(), longer);
        QCOMPARE(w.model().programs()[programOffset(2) + ProgramLayout::PhaseCount], 3);
    }

    void keysReachTheMenu()
    {
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QByteArray start = sealedImage(w.model());
        clickTool(w, "BitBtn1");
        const QByteArray added = sealedImage(w.model());
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(sealedImage(w.model()) == start);
        QTest::keyClick(&w, Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(sealedImage(w.model()) == added);
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&w, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(sealedImage(w.model()) == added);

        // The picture of the menu for the documentation.
        const QString shots = qEnvironmentVariable("VELT_SCREENSHOTS");
        if (!shots.isEmpty()) {
            auto *edit = w.findChild<QMenu *>("MenuEdit");
            w.menuBar()->setActiveAction(edit->menuAction());
            QTRY_VERIFY(edit->isVisible());
            QVERIFY(edit->grab().save(shots + QStringLiteral("/undo-menu.png")));
            QVERIFY(w.grab().save(shots + QStringLiteral("/undo-window.png")));
        }
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
