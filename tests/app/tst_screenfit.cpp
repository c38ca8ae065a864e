// Every window of the program fits a field laptop's 1600×1000 screen at QT_SCALE_FACTOR=2:
// 800×500 device-independent pixels, less the window manager's title bar. A window whose
// layout needs more cannot be made smaller, and its lower buttons end up off the screen.
// Without a display the offscreen platform is given such a screen.
//
// With VELT_SHOTS_DIR set and a real display (QT_QPA_PLATFORM=xcb) the whole screen, window
// manager frame included, is saved there as a PNG for each window.
#include "app/MainWindow.h"
#include "app/WindowMemory.h"
#include "app/Windows.h"
#include "programs/ExportDialog.h"
#include "support/FakePrompts.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLayout>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>

namespace {
// A title bar of up to 20 of these pixels.
const QSize kBudget(800, 480);

QSize leastSize(QWidget *window)
{
    window->ensurePolished();
    QSize least = window->minimumSizeHint().expandedTo(window->minimumSize());
    if (window->layout())
        least = least.expandedTo(window->layout()->totalMinimumSize());
    return least;
}

bool offscreen()
{
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

void showWithin(QWidget *window, const QString &shots)
{
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QTest::qWait(offscreen() ? 200 : 400); // the window manager places and frames it
    const QRect area = window->screen()->availableGeometry();
    const QRect frame = window->frameGeometry();
    QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("%1 at %2,%3 %4×%5")
                                                  .arg(window->objectName())
                                                  .arg(frame.x())
                                                  .arg(frame.y())
                                                  .arg(frame.width())
                                                  .arg(frame.height())));
    if (!shots.isEmpty() && !offscreen())
        window->screen()->grabWindow(0).save(shots + QLatin1Char('/') + window->objectName() +
                                             QStringLiteral(".png"));
    window->hide();
}
} // namespace

class TestScreenFit : public QObject
{
    Q_OBJECT
private slots:
    // Remembered sizes and positions stay out of the user's settings.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void everyWindowFits()
    {
        FakePrompts prompts;
        TForm1 main;
        createWindows(main);
        main.restoreSession();
        ExportDialog exportDialog(&main);
        exportDialog.setObjectName(QStringLiteral("ExportDialog"));
        QList<QWidget *> windows{&main};
        for (QWidget *w : main.findChildren<QWidget *>())
            if (w->isWindow() && !w->inherits("QMenu"))
                windows.append(w);
        QVERIFY(windows.size() > 12);
        for (QWidget *window : windows) {
            const QSize least = leastSize(window);
            QVERIFY2(least.width() <= kBudget.width() && least.height() <= kBudget.height(),
                     qPrintable(QStringLiteral("%1 \"%2\" needs %3×%4")
                                    .arg(window->objectName(), window->windowTitle())
                                    .arg(least.width())
                                    .arg(least.height())));
        }
        QCOMPARE(main.screen()->availableGeometry().width(), 800);
        const QString shots = qEnvironmentVariable("VELT_SHOTS_DIR");
        if (!shots.isEmpty())
            QDir().mkpath(shots);
        for (QWidget *window : windows)
            showWithin(window, shots);
    }

    // Qt's print dialog grows downwards under "Параметры >>": it is moved back up.
    void aDialogThatGrowsStaysOnScreen()
    {
        QDialog dialog;
        dialog.setObjectName(QStringLiteral("Growing"));
        dialog.resize(300, 150);
        dialog.move(200, 300);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::qWait(200);
        QCOMPARE(dialog.pos(), QPoint(200, 300));
        dialog.resize(600, 400);
        QTRY_VERIFY(dialog.screen()->availableGeometry().contains(dialog.frameGeometry()));
    }
};

int main(int argc, char **argv)
{
    QTemporaryFile screens;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        if (!screens.open())
            return 1;
        screens.write(R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1600,
                          "height": 1000, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        screens.flush();
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    }
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    keepWindowsOnScreen(app);
    TestScreenFit test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_screenfit.moc"
