// Opening, saving and keeping the project: the questions before it is replaced, files that are
// not projects, the recovery copy, the command line, recent projects and remembered folders.
#include "app/CommandLine.h"
#include "app/MainWindow.h"
#include "app/RecentProjects.h"
#include "app/RecoveryCopy.h"
#include "app/TerminationSignals.h"
#include "app/Windows.h"
#include "model/ProjectFile.h"
#include "programs/PhaseEditPanel.h"
#include "programs/ProgramView.h"
#include "support/FakePrompts.h"
#include "support/ShellActions.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>

#include <sys/stat.h>

namespace PL = ProjectLayout;

namespace {

QByteArray projectBytes(const RingModel &model)
{
    RingModel copy;
    for (int r = 0; r < model.ringCount(); ++r)
        copy.store(r) = r == model.currentRing() ? model.working() : model.store(r);
    copy.setRingCount(model.ringCount());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!ProjectFile::writeRings(copy, buffer))
        return {};
    return buffer.data();
}

QString saveProject(const QString &path, int rings)
{
    RingModel model;
    model.NewProjectDefaults();
    model.setRingCount(rings);
    model.project()[PL::Description] = 'A';
    return ProjectFile::save(model, path).value_or(QString());
}

const QString kQuestion = QStringLiteral("Проект не сохранен! Сохранить?");

} // namespace

class TestProjectFiles : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    [[nodiscard]] QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { QSettings().clear(); }

    // New and Open used to replace unsaved edits without a question.
    void replacingAsksFirst_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        for (const char *menu : {"N12", "N16"}) {
            QTest::addRow("%s cancel", menu) << menu << int(QMessageBox::Cancel) << false;
            QTest::addRow("%s no", menu) << menu << int(QMessageBox::No) << true;
            QTest::addRow("%s yes", menu) << menu << int(QMessageBox::Yes) << true;
        }
    }
    void replacingAsksFirst()
    {
        QFETCH(QString, menu);
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        const QString other = path(QStringLiteral("other.velt"));
        QCOMPARE(saveProject(other, 1), QString());
        const QString edited = path(QStringLiteral("edited-%1-%2.velt").arg(menu).arg(answer));
        FakePrompts prompts;
        TForm1 w;
        w.model().setFileName(edited);
        w.model().project()[PL::Description] = 'k';
        w.model().setModified(true);
        prompts.answers = {QMessageBox::StandardButton(answer)};
        prompts.files = {other}; // the open
        if (answer == QMessageBox::Yes)
            prompts.files.push_front(edited); // the save first
        trigger(w, qPrintable(menu));
        QCOMPARE(prompts.asked.at(0).text, kQuestion);
        QCOMPARE(prompts.asked.at(0).buttons,
                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(QFile::exists(edited), answer == QMessageBox::Yes);
        QCOMPARE(w.model().project()[PL::Description] == 'k', !replaced);
        QCOMPARE(w.model().modified(), !replaced);
        if (replaced && menu == QLatin1String("N12")) {
            // A new project belongs to no file, and Save proposes none.
            QVERIFY(w.model().fileName().isEmpty());
            QVERIFY(w.windowTitle().startsWith(QStringLiteral("Новый проект — ")));
            prompts.files = {QString()};
            trigger(w, "N17");
            QVERIFY(!prompts.lastStart.endsWith(QStringLiteral(".velt")));
        }
    }

    // A file that is not a project used to show its name in the title and keep the old
    // project under it, so that the next save wrote the old project over it.
    void notAProjectChangesNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("says");
        QTest::newRow("random bytes") << "garbage.velt"
                                      << "не является проектом ДК";
        QTest::newRow("empty") << "empty.velt"
                               << "не является проектом ДК";
        QTest::newRow("fifo") << "pipe.velt"
                              << "не является обычным файлом";
        QTest::newRow("folder") << "folder.velt"
                                << "не является обычным файлом";
    }
    void notAProjectChangesNothing()
    {
        QFETCH(QString, name);
        QFETCH(QString, says);
        const QString file = path(name);
        if (name == QLatin1String("garbage.velt")) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QByteArray bytes(1000, '\0');
            QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(bytes.data()), 250);
            out.write(bytes);
        } else if (name == QLatin1String("empty.velt")) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
        } else if (name == QLatin1String("pipe.velt")) {
            // Reading a FIFO nobody writes to would never return.
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        } else {
            QVERIFY(QDir().mkpath(file));
        }
        const QString current = path(QStringLiteral("current.velt"));
        QCOMPARE(saveProject(current, 1), QString());
        FakePrompts prompts;
        TForm1 w;
        prompts.files = {current, file};
        trigger(w, "N16");
        w.model().project()[PL::Description] = 'k';
        w.model().setModified(true);
        const QString title = w.windowTitle();
        prompts.answers = {QMessageBox::No};
        trigger(w, "N16");
        QCOMPARE(prompts.asked.size(), std::size_t(2));
        QVERIFY2(prompts.asked[1].text.contains(says), qPrintable(prompts.asked[1].text));
        QVERIFY(prompts.asked[1].text.contains(name));
        QCOMPARE(w.windowTitle(), title);
        QCOMPARE(w.model().fileName(), current);
        QCOMPARE(int(w.model().project()[PL::Description]), int('k'));
    }

    void checksumMismatchWarnsNamingTheRing()
    {
        const QString file = path(QStringLiteral("damaged.velt"));
        QCOMPARE(saveProject(file, 2), QString());
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::ReadWrite));
        QVERIFY(damaged.seek(RingRecordSize + PL::Description + 3));
        damaged.write("x");
        damaged.close();
        FakePrompts prompts;
        TForm1 w;
        QVERIFY(w.openProject(file));
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QVERIFY2(prompts.asked[0].text.contains(QStringLiteral("Контрольная сумма не совпадает: "
                                                               "кольцо 2.")),
                 qPrintable(prompts.asked[0].text));
        QCOMPARE(w.model().ringCount(), 2);
        QCOMPARE(w.model().fileName(), file);
    }

    void titleNamesTheFileAndMarksEdits()
    {
        const QString file = path(QStringLiteral("title.velt"));
        QCOMPARE(saveProject(file, 1), QString());
        FakePrompts prompts;
        TForm1 w;
        QCOMPARE(w.windowTitle(), QStringLiteral("Новый проект — Конфигуратор ВЕЛТ"));
        QVERIFY(w.openProject(file));
        QCOMPARE(w.windowTitle(), QStringLiteral("title.velt — Конфигуратор ВЕЛТ"));
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("ProjectFolder"))->text(),
                 QDir::toNativeSeparators(m_dir.path()));
        w.model().setModified(true);
        QCOMPARE(w.windowTitle(), QStringLiteral("title.velt* — Конфигуратор ВЕЛТ"));
    }

    void recentProjectsAndFolders()
    {
        FakePrompts prompts;
        TForm1 w;
        prompts.files = {QString()};
        trigger(w, "N16");
        QCOMPARE(prompts.lastStart, QString()); // nothing used yet
        QStringList files;
        for (int i = 0; i < RecentProjects::MaxCount + 2; ++i) {
            QVERIFY(QDir().mkpath(path(QStringLiteral("f%1").arg(i))));
            files << path(QStringLiteral("f%1/p.velt").arg(i));
            QCOMPARE(saveProject(files.last(), 1), QString());
            QVERIFY(w.openProject(files.last()));
        }
        QStringList expected = files.mid(2);
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(RecentProjects::list(), expected);
        auto *menu = w.findChild<QMenu *>(QStringLiteral("RecentProjects"));
        emit menu->aboutToShow();
        QCOMPARE(menu->actions().size(), RecentProjects::MaxCount);
        menu->actions().at(3)->trigger();
        QCOMPARE(w.model().fileName(), expected.at(3));

        // Open starts in the project's folder, Save proposes the project's own file; a bare
        // name gets the project extension.
        prompts.files = {QString()};
        trigger(w, "N16");
        QCOMPARE(prompts.lastStart, QFileInfo(expected.at(3)).absolutePath());
        prompts.files = {path(QStringLiteral("f1/bare"))};
        trigger(w, "N17");
        QCOMPARE(prompts.lastStart, expected.at(3));
        QVERIFY(QFile::exists(path(QStringLiteral("f1/bare.velt"))));
        QCOMPARE(prompts.lastSuffix, QStringLiteral("velt"));
        // A new project has no folder of its own: the last one used.
        trigger(w, "N12");
        prompts.files = {QString()};
        trigger(w, "N16");
        QCOMPARE(prompts.lastStart, path(QStringLiteral("f1")));
        QCOMPARE(RecentProjects::list().constFirst(), path(QStringLiteral("f1/bare.velt")));
    }

    void dropOpensAfterTheQuestion()
    {
        const QString file = path(QStringLiteral("dropped.velt"));
        QCOMPARE(saveProject(file, 1), QString());
        FakePrompts prompts;
        TForm1 w;
        w.model().setModified(true);
        prompts.answers = {QMessageBox::No};
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&w, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&w, &drop);
        QTRY_COMPARE(w.model().fileName(), file);
        QCOMPARE(prompts.asked.at(0).text, kQuestion);
        QVERIFY(!w.model().modified());
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("output");
        QTest::newRow("nothing") << QStringList{"velt"} << -1 << ""
                                 << "";
        QTest::newRow("file") << QStringList{"velt", "a b.velt"} << -1 << "a b.velt"
                              << "";
        QTest::newRow("version") << QStringList{"velt", "--version"} << 0 << ""
                                 << "velt " VELT_VERSION "\n";
        QTest::newRow("help") << QStringList{"velt", "--help"} << 0 << ""
                              << "[FILE]";
        QTest::newRow("two files") << QStringList{"velt", "a", "b"} << 2 << ""
                                   << "один проект";
        QTest::newRow("unknown") << QStringList{"velt", "--frob"} << 2 << ""
                                 << "frob";
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, file);
        QFETCH(QString, output);
        const VeltCommandLine line = parseVeltCommandLine(arguments);
        QCOMPARE(line.exitCode, exitCode);
        QCOMPARE(line.file, file);
        QVERIFY2(line.output.contains(output), qPrintable(line.output));
    }

    // SIGTERM at logout used to end the program at once, unsaved edits and all.
    void terminationAsksTheCloseQuestion()
    {
        FakePrompts prompts;
        TForm1 w;
        w.show();
        TerminationSignals termination;
        connect(&termination, &TerminationSignals::received, &w, &QWidget::close);
        QSignalSpy received(&termination, &TerminationSignals::received);
        w.model().setModified(true);
        prompts.answers = {QMessageBox::Cancel};
        QCOMPARE(::raise(SIGTERM), 0);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0][0].toInt(), SIGTERM);
        QCOMPARE(prompts.asked.at(0).text, kQuestion);
        QVERIFY(w.isVisible());
    }

    // Run in a child by recoveryAfterKill: edits a project, then waits to be killed.
    void recoveryChild()
    {
        const QByteArray folder = qgetenv("VELT_RECOVERY_CHILD");
        if (folder.isEmpty())
            QSKIP("run by recoveryAfterKill");
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        w.enableRecovery(QString::fromLocal8Bit(folder));
        QVERIFY(w.openProject(QString::fromLocal8Bit(qgetenv("VELT_RECOVERY_FILE"))));
        clickTool(w, "BitBtn1");
        QTRY_VERIFY(QFile::exists(w.recovery()->copyPath()));
        QFile expected(QString::fromLocal8Bit(folder) + QStringLiteral("/expected"));
        QVERIFY(expected.open(QIODevice::WriteOnly));
        expected.write(projectBytes(w.model()));
        expected.close();
        std::printf("ready\n");
        std::fflush(stdout);
        QTest::qWait(120000);
    }

    void recoveryAfterKill()
    {
        const QString folder = path(QStringLiteral("recovery"));
        const QString file = path(QStringLiteral("crossing.velt"));
        QCOMPARE(saveProject(file, 2), QString());
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELT_RECOVERY_CHILD"), folder);
        env.insert(QStringLiteral("VELT_RECOVERY_FILE"), file);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("recoveryChild")});
        QByteArray said;
        while (!said.contains("ready\n") && child.waitForReadyRead(60000))
            said += child.readAllStandardOutput();
        QVERIFY2(said.contains("ready\n"), (said + child.readAllStandardError()).constData());

        // A running configurator's copy is its own: another one leaves it alone.
        FakePrompts prompts;
        {
            TForm1 other;
            other.enableRecovery(folder);
            const QStringList copies =
                QDir(folder).entryList({QStringLiteral("*.velt")}, QDir::Files);
            QCOMPARE(copies.size(), 1);
            QFile childCopy(folder + QLatin1Char('/') + copies[0]);
            QVERIFY(childCopy.open(QIODevice::ReadOnly));
            const QByteArray before = childCopy.readAll();
            QVERIFY(other.recovery()->write(other.model()));
            QVERIFY(other.recovery()->copyPath() != childCopy.fileName());
            QVERIFY(childCopy.seek(0));
            QCOMPARE(childCopy.readAll(), before);
            other.recovery()->remove();
            other.offerRecovery();
            QVERIFY(prompts.asked.empty());
        }

        child.kill(); // SIGKILL: no clean-up runs
        QVERIFY(child.waitForFinished());
        QFile expected(folder + QStringLiteral("/expected"));
        QVERIFY(expected.open(QIODevice::ReadOnly));
        TForm1 w;
        w.enableRecovery(folder);
        prompts.answers = {QMessageBox::Yes};
        w.offerRecovery();
        QCOMPARE(prompts.asked.size(), std::size_t(1));
        QVERIFY2(prompts.asked[0].text.contains(file), qPrintable(prompts.asked[0].text));
        QCOMPARE(projectBytes(w.model()), expected.readAll());
        QVERIFY(w.model().modified());
        QCOMPARE(w.model().fileName(), file);
        QVERIFY(w.windowTitle().contains(QStringLiteral("crossing.velt*")));
        // The restored project is kept by this configurator now; a save removes the copy.
        QVERIFY(QFile::exists(w.recovery()->copyPath()));
        prompts.files = {file};
        trigger(w, "N17");
        QVERIFY(!QFile::exists(w.recovery()->copyPath()));
        QVERIFY(w.recovery()->orphans().empty());
    }

    void keyboardWorksTheDiagram()
    {
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        w.show();
        clickTool(w, "BitBtn1");
        clickTool(w, "BitBtn1");
        auto *view = w.findChild<ProgramView *>();
        QCOMPARE(view->focusPolicy(), Qt::StrongFocus);
        view->setCurrentPhase(0);
        QTest::keyClick(view, Qt::Key_Right);
        QCOMPARE(view->currentPhase(), 1);
        QCOMPARE(w.findChild<QLabel *>(QStringLiteral("Panel5"))->text(), QStringLiteral("2"));
        QTest::keyClick(view, Qt::Key_End);
        QTest::keyClick(view, Qt::Key_Left);
        QCOMPARE(view->currentPhase(), int(view->diagram().phases.size()) - 2);
        QTest::keyClick(view, Qt::Key_Return);
        auto *panel = w.findChild<PhaseEditPanel *>();
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->phase(), view->currentPhase());
    }

    void escapeClosesToolWindows_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::newRow("Проект") << "N3";
        QTest::newRow("ДК") << "N21";
        QTest::newRow("Консоль") << "N22";
        QTest::newRow("Проверка проекта") << "ActionCheckProject";
        QTest::newRow("Справка") << "ActionHelp";
    }
    void escapeClosesToolWindows()
    {
        QFETCH(QString, menu);
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        w.show();
        trigger(w, qPrintable(menu));
        QWidget *tool = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top != &w && top->isVisible() && !qobject_cast<QMenu *>(top))
                tool = top;
        QVERIFY(tool);
        tool->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(tool));
        QWidget *focus = tool->focusWidget() ? tool->focusWidget() : tool;
        QTest::keyClick(focus, Qt::Key_Escape);
        QTRY_VERIFY(!tool->isVisible());
    }

    // The changed windows as a user sees them: VELT_SHOTS_DIR=/some/folder writes PNGs there.
    void screenshots()
    {
        const QString shots = qEnvironmentVariable("VELT_SHOTS_DIR");
        if (shots.isEmpty())
            QSKIP("set VELT_SHOTS_DIR");
        const QString example = QStringLiteral(VELT_SOURCE_DIR "/examples/crossing.velt");
        FakePrompts prompts;
        TForm1 w;
        createWindows(w);
        w.resize(900, 560);
        w.show();
        QVERIFY(w.openProject(example));
        RecentProjects::add(path(QStringLiteral("f1/bare.velt")));
        RecentProjects::add(example);
        for (int i = 0; i < 6; ++i)
            clickTool(w, "BitBtn3");
        w.model().setModified(true);
        QTest::keyClick(w.findChild<ProgramView *>(), Qt::Key_Right);
        QVERIFY(w.grab().save(shots + QStringLiteral("/main-window.png")));
        w.resize(620, 520);
        QApplication::processEvents();
        auto *scroll = w.findChild<QScrollArea *>(QStringLiteral("ScrollBox1"));
        scroll->horizontalScrollBar()->setValue(scroll->horizontalScrollBar()->maximum());
        QApplication::processEvents();
        QVERIFY(w.grab().save(shots + QStringLiteral("/main-window-scrolled.png")));
        auto *recent = w.findChild<QMenu *>(QStringLiteral("RecentProjects"));
        w.fileMenu()->popup(w.mapToGlobal(QPoint(0, 20)));
        emit w.fileMenu()->aboutToShow();
        QVERIFY(w.fileMenu()->grab().save(shots + QStringLiteral("/file-menu.png")));
        emit recent->aboutToShow();
        recent->adjustSize();
        QVERIFY(recent->grab().save(shots + QStringLiteral("/recent-projects.png")));
        w.fileMenu()->hide();
        for (const auto &[menu, name] :
             {std::pair{"ActionHelp", "help"}, {"N22", "console"}, {"N9", "safety"}}) {
            trigger(w, menu);
            QWidget *tool = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets())
                if (top != &w && top->isVisible() && !qobject_cast<QMenu *>(top))
                    tool = top;
            QVERIFY(tool);
            QVERIFY(tool->grab().save(shots + QLatin1Char('/') + QLatin1String(name) +
                                      QStringLiteral(".png")));
            tool->hide();
        }
    }
};

QTEST_MAIN(TestProjectFiles)
#include "tst_projectfiles.moc"
