#include "app/MainWindow.h"
#include "app/Windows.h"
#include "model/ByteIO.h"
#include "programs/ProgramView.h"
#include "support/FakePrompts.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include <memory>

namespace FL = PhaseLayout;

// The program editor driven through its controls, as a user would.
class TestProgramEditor : public QObject
{
    Q_OBJECT
private:
    FakePrompts m_prompts;
    std::unique_ptr<TForm1> m_form;

    TForm1 &form() { return *m_form; }
    RingModel &model() { return m_form->model(); }
    ProgramView *view() { return m_form->findChild<ProgramView *>(); }
    template <typename T> T *control(const char *name)
    {
        return m_form->findChild<T *>(QLatin1String(name));
    }
    QString text(const char *label) { return control<QLabel>(label)->text(); }
    void click(const char *button) { control<QAbstractButton>(button)->click(); }
    int phaseCount() { return model().programs()[programOffset(model().currentProgram())]; }
    int mainTime(int f)
    {
        return readU16(model().programs(), phaseOffset(model().currentProgram(), f) + FL::MainTime);
    }

    const Diagram::Bar *bar(int phase, int direction, int slot)
    {
        for (const Diagram::Bar &b : view()->diagram().bars)
            if (b.phase == phase && b.direction == direction && b.slot == slot)
                return &b;
        return nullptr;
    }
    void clickBar(int phase, int direction, int slot)
    {
        const Diagram::Bar *b = bar(phase, direction, slot);
        QVERIFY(b);
        QTest::mouseClick(view(), Qt::LeftButton, {}, b->rect.center());
    }
    void clickAt(QPoint point) { QTest::mouseClick(view(), Qt::LeftButton, {}, point); }

private slots:
    void init()
    {
        m_form = std::make_unique<TForm1>();
        createWindows(*m_form);
        m_form->resize(1000, 700);
        m_form->show();
    }
    void cleanup() { m_form.reset(); }

    void viewIsOnePaintedWidget()
    {
        QCOMPARE(control<QScrollArea>("ScrollBox1")->widget(), view());
        // Only the two edit panels live over the diagram, never a widget per bar.
        QCOMPARE(view()->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly).size(), 2);
        QVERIFY(control<QWidget>("PanelEdit")->isHidden());
        QVERIFY(control<QWidget>("PanelNapr")->isHidden());
        QCOMPARE(text("Panel5"), QStringLiteral("1"));
        QCOMPARE(text("Panel6"), QStringLiteral("Фиксированная"));
    }

    void newProjectShows32SecondsInEveryProgram()
    {
        for (int p = 0; p < MaxPrograms; ++p) {
            QCOMPARE(model().currentProgram(), p);
            QCOMPARE(text("Panel3"), QStringLiteral("32 c"));
            click("Button6");
        }
        QCOMPARE(model().currentProgram(), 31);
        QVERIFY(!model().modified());
    }

    void barClickOpensTheEditPanelAtTheBarsCorner()
    {
        clickBar(1, 0, 2); // phase 2, direction 1, red-yellow
        QCOMPARE(view()->currentPhase(), 1);
        QCOMPARE(view()->currentDirection(), 0);
        QCOMPARE(view()->currentSlot(), 2);
        auto *panel = control<QWidget>("PanelEdit");
        QVERIFY(panel->isVisible());
        const Diagram::Bar *b = bar(1, 0, 2);
        QCOMPARE(panel->pos(),
                 QPoint(b->rect.x() + b->rect.width(), b->rect.y() + b->rect.height()));
        QCOMPARE(control<QLabel>("PanelFazaNum")->text(), QStringLiteral("2"));
        QCOMPARE(control<QLabel>("PanelNaprNum")->text(), QStringLiteral("1"));
        QCOMPARE(control<QLineEdit>("Edit1")->text(), QStringLiteral("10"));
        QCOMPARE(control<QLineEdit>("Edit4")->text(), QStringLiteral("3"));
        QCOMPARE(control<QComboBox>("ComboBoxNumFaza")->currentIndex(), 1);
        QCOMPARE(control<QComboBox>("ComboBoxNumFaza")->count(), 32);
        QCOMPARE(text("Panel5"), QStringLiteral("2"));
        // Direction 1 is red in template 2: its additions are not offered.
        QVERIFY(!control<QLineEdit>("Edit2")->isEnabled());
        QVERIFY(!control<QLineEdit>("Edit3")->isEnabled());
        QVERIFY(!control<QLineEdit>("Edit6")->isEnabled());
        // Type 0: no pedestrian calls; choosing another type shows them at once.
        QVERIFY(control<QWidget>("Panel7")->isHidden());
        control<QComboBox>("ComboBox1")->setCurrentIndex(1);
        QVERIFY(!control<QWidget>("Panel7")->isHidden());
        click("Button3"); // "Отмена"
        QVERIFY(panel->isHidden());
        QCOMPARE(model().programs()[phaseOffset(0, 1) + FL::Type], std::uint8_t(0));
        QVERIFY(!model().modified());
    }

    void okWithEmptyMainTimeKeepsIt()
    {
        clickBar(0, 0, 0);
        control<QLineEdit>("Edit1")->clear();
        control<QLineEdit>("Edit2")->setText(QStringLiteral("0"));
        click("Button2");
        QCOMPARE(mainTime(0), 10);
        QVERIFY(control<QWidget>("PanelEdit")->isHidden());
        QVERIFY(!model().modified()); // nothing changed
    }

    void okStoresTheValuesAndMarksTheProject()
    {
        clickBar(0, 0, 0);
        QVERIFY(control<QLineEdit>("Edit3")->isEnabled());
        control<QLineEdit>("Edit1")->setText(QStringLiteral("20"));
        control<QLineEdit>("Edit3")->setText(QStringLiteral("4"));     // green extension of dir 1
        control<QLineEdit>("Edit4")->setText(QStringLiteral("70000")); // does not fit: kept
        control<QComboBox>("ComboBox1")->setCurrentIndex(2);
        control<QComboBox>("ComboBox4")->setCurrentIndex(1);
        click("Button2");
        QCOMPARE(mainTime(0), 20);
        QCOMPARE(model().programs()[phaseOffset(0, 0) + FL::Additions + FL::GreenExtension],
                 std::uint8_t(4));
        QCOMPARE(readU16(model().programs(), phaseOffset(0, 0) + FL::MinTime), std::uint16_t(3));
        QCOMPARE(model().programs()[phaseOffset(0, 0) + FL::Type], std::uint8_t(2));
        QCOMPARE(model().programs()[phaseOffset(0, 0) + FL::PedestrianCall1], std::uint8_t(1));
        QVERIFY(model().modified());
        // 20 + (4 + 3 + 3) + 10 + 6
        QCOMPARE(text("Panel3"), QStringLiteral("46 c"));
        QCOMPARE(text("Panel6"), QStringLiteral("ТВП"));
        QCOMPARE(bar(0, 0, 0)->rect.width(), 100);
    }

    void synchronisedRingLocksTheTypeOfFixedPhases_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("fixed") << 0 << false;
        QTest::newRow("combined") << 1 << true;
        QTest::newRow("pedestrian call") << 2 << true;
    }
    void synchronisedRingLocksTheTypeOfFixedPhases()
    {
        QFETCH(int, type);
        model().project()[ProjectLayout::SyncFlag] = 1;
        model().programs()[phaseOffset(0, 0) + FL::Type] = static_cast<std::uint8_t>(type);
        clickBar(0, 1, 0);
        QTEST(control<QComboBox>("ComboBox1")->isEnabled(), "enabled");
        QCOMPARE(control<QWidget>("Panel7")->isHidden(), type == 0);
    }

    void minusOnTheLastPhaseMakesPhaseOneCurrent()
    {
        clickAt(QPoint(bar(1, 0, 0)->rect.x() + 5, 80)); // phase 2's panel between the rows
        QCOMPARE(view()->currentPhase(), 1);
        QCOMPARE(text("Panel5"), QStringLiteral("2"));
        click("BitBtn2");
        QCOMPARE(phaseCount(), 1);
        QCOMPARE(view()->currentPhase(), 0);
        QCOMPARE(text("Panel5"), QStringLiteral("1"));
        QVERIFY(model().modified());
        // One phase with only direction 1 green and no conflicts: just the main time.
        QCOMPARE(text("Panel3"), QStringLiteral("10 c"));
        model().setModified(false);
        click("BitBtn2"); // the only phase stays
        QCOMPARE(phaseCount(), 1);
        QVERIFY(!model().modified());
    }

    void plusInsertsAfterTheCurrentPhaseUpTo32()
    {
        click("BitBtn1");
        QCOMPARE(phaseCount(), 3);
        QCOMPARE(view()->currentPhase(), 0);
        QCOMPARE(view()->diagram().phases.size(), std::size_t(3));
        QVERIFY(model().modified());
        for (int i = 0; i < 40; ++i)
            click("BitBtn1");
        QCOMPARE(phaseCount(), 32);
        QCOMPARE(readU32(model().programs(), ProgramsLayout::BlockSize), 0u);
        QCOMPARE(int(model().programs()[programOffset(1)]), 2);
    }

    void zoomScalesTheBars()
    {
        click("BitBtn3");
        click("BitBtn3");
        QCOMPARE(view()->scale(), 1.44f);
        for (const Diagram::Bar &b : view()->diagram().bars)
            QCOMPARE(b.rect.width(), int(std::trunc(b.duration * 5 * 1.44f)));
        QCOMPARE(bar(0, 0, 0)->rect.width(), 72);
        click("BitBtn4");
        QCOMPARE(view()->scale(), static_cast<float>(double(1.44f) * 0.8));
        QVERIFY(!model().modified());
    }

    void zoomWithoutBoundStaysUsable()
    {
        for (int i = 0; i < 700; ++i)
            click("BitBtn3");
        QVERIFY(std::isfinite(view()->scale()));
        for (const Diagram::Bar &b : view()->diagram().bars)
            QVERIFY(b.rect.width() > 0 && b.rect.x() >= 0);
        for (int i = 0; i < 1500; ++i)
            click("BitBtn4");
        QVERIFY(view()->scale() > 0);
        for (int i = 0; i < 1500; ++i)
            click("BitBtn3");
        QVERIFY(bar(0, 0, 0)->rect.width() > 0); // zooming back in still works
    }

    void directionLabelOpensTheDirectionPanel()
    {
        clickBar(0, 0, 0);
        const Diagram::Label &label = view()->diagram().labels[1];
        clickAt(label.rect.center());
        auto *panel = control<QWidget>("PanelNapr");
        QVERIFY(panel->isVisible());
        QVERIFY(control<QWidget>("PanelEdit")->isHidden());
        QCOMPARE(panel->pos(), label.rect.bottomRight() + QPoint(1, 1));
        QCOMPARE(control<QLabel>("PanelNaprNumber")->text(), QStringLiteral("2"));
        QVERIFY(!control<QComboBox>("ComboBoxNapr")->isEnabled());
        QCOMPARE(control<QComboBox>("ComboBoxNapr")->currentIndex(), 0);
        click("Button4");
        QVERIFY(panel->isHidden());
        QVERIFY(!model().modified());
    }

    void unknownDirectionTypeSurvivesTheDirectionPanel()
    {
        model().project()[directionOffset(0)] = 9;
        clickAt(view()->diagram().labels[0].rect.center());
        QCOMPARE(control<QComboBox>("ComboBoxNapr")->currentIndex(), -1);
        click("Button4");
        QCOMPARE(model().project()[directionOffset(0)], std::uint8_t(9));
    }

    void directionPanelKeepsATypeStoredElsewhere()
    {
        clickAt(view()->diagram().labels[1].rect.center());
        model().project()[directionOffset(1)] = 1; // the directions window stores "пешеход"
        model().applyEdit();
        click("Button4");
        QCOMPARE(model().project()[directionOffset(1)], std::uint8_t(1));
    }

    void diagramFollowsOtherEditors()
    {
        // What the directions or safety dialogs do when they store: edit, then applyEdit().
        model().project()[ProjectLayout::DirectionCount] = 3;
        model().project()[ProjectLayout::Yellow] = 4;
        model().applyEdit();
        QCOMPARE(view()->diagram().labels.size(), std::size_t(3));
        QCOMPARE(text("Panel3"), QStringLiteral("34 c"));
        model().project()[ProjectLayout::DirectionCount] = 0;
        model().applyEdit();
        QVERIFY(view()->diagram().bars.empty());
        QCOMPARE(text("Panel3"), QStringLiteral("20 c"));
    }

    void ringSwitchClosesTheEditPanel()
    {
        model().setRingCount(2);
        form().refreshProgramDisplay();
        clickBar(0, 0, 0);
        control<QLineEdit>("Edit1")->setText(QStringLiteral("99"));
        auto *rings = control<QComboBox>("ComboBox2");
        rings->setCurrentIndex(1);
        emit rings->activated(1);
        QCOMPARE(model().currentRing(), 1);
        QVERIFY(control<QWidget>("PanelEdit")->isHidden());
        QCOMPARE(mainTime(0), 10);
    }

    void programChangeClosesTheEditPanel()
    {
        clickBar(0, 0, 0);
        click("Button6");
        QVERIFY(control<QWidget>("PanelEdit")->isHidden());
        clickBar(0, 0, 0);
        form().refreshProgramDisplay(); // same program: the panel stays
        QVERIFY(control<QWidget>("PanelEdit")->isVisible());
    }

    void editPanelCanBeDragged()
    {
        clickBar(0, 0, 0);
        auto *panel = control<QWidget>("PanelEdit");
        const QPoint start = panel->pos();
        QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(3, 3));
        QMouseEvent move(QEvent::MouseMove, QPointF(23, 13), panel->mapToGlobal(QPointF(23, 13)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(panel, &move);
        QTest::mouseRelease(panel, Qt::LeftButton, {}, QPoint(23, 13));
        QCOMPARE(panel->pos(), start + QPoint(20, 10));
        // The diagram grows so the panel can always be scrolled to.
        QVERIFY(view()->width() >= panel->x() + panel->width());
    }

    void newProjectResetsTheDisplay()
    {
        click("BitBtn1");
        m_prompts.answers = {QMessageBox::No}; // the added phase is not kept
        form().N12Click();
        QCOMPARE(phaseCount(), 2);
        QCOMPARE(text("Panel3"), QStringLiteral("32 c"));
    }

    void barHintShowsItsDuration()
    {
        const Diagram::Bar *b = bar(0, 1, 1); // direction 2, red 4 s
        QHelpEvent help(QEvent::ToolTip, b->rect.center(), view()->mapToGlobal(b->rect.center()));
        QApplication::sendEvent(view(), &help);
        QTRY_COMPARE(QToolTip::text(), QStringLiteral("4 c"));
    }

    void screenshot()
    {
        clickBar(1, 1, 0);
        const QString path = qEnvironmentVariable("VELT_SCREENSHOT");
        if (!path.isEmpty())
            QVERIFY(form().grab().save(path));
    }
};

QTEST_MAIN(TestProgramEditor)
#include "tst_programeditor.moc"
