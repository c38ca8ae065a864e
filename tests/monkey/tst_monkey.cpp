// A seeded random walk over every window: clicks, typing, grid cells, ring and program
// switches, New/Open/Save on good and mangled files, and the controller window against a
// virtual controller that drops, corrupts and repeats answers. Afterwards the program still
// answers, and the project it saves opens and saves again byte for byte.
//
// VELT_MONKEY_STEPS sets the length of the walk (500), VELT_MONKEY_SEED replays a walk.
#include "MonkeyPrompts.h"
#include "ProjectPatches.h"

#include "app/MainWindow.h"
#include "app/VeltApplication.h"
#include "app/Windows.h"
#include "service/ControllerWindow.h"
#include "sim/SimUdpEndpoint.h"
#include "sim/VirtualController.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QScrollArea>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

// The virtual controller of this test: 127.0.0.70, its own port.
constexpr quint16 kPort = 33990;
const QHostAddress kController(QStringLiteral("127.0.0.70"));

// Controls the walk leaves alone: the link settings would point the program at a serial
// device or an address outside the test's own (the USB choice, address, port).
const QStringList kUntouchable = {QStringLiteral("RadioButton1"), QStringLiteral("MaskEdit1"),
                                  QStringLiteral("Edit1"), QStringLiteral("MaskEdit2")};

bool untouchable(const QWidget *w)
{
    // Edit1 is the port only in the settings dialog; elsewhere the name is free.
    for (const QWidget *p = w; p; p = p->parentWidget()) {
        if (p->objectName() == QLatin1String("Form2"))
            return kUntouchable.contains(w->objectName());
    }
    return false;
}

template <typename T> QList<T *> usable()
{
    QList<T *> found;
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        if (auto *self = qobject_cast<T *>(top))
            found.append(self);
        for (T *w : top->findChildren<T *>()) {
            if (w->isVisible() && w->isEnabled() && !untouchable(w))
                found.append(w);
        }
    }
    return found;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Monkey
{
public:
    Monkey(TForm1 &main, QRandomGenerator &random, MonkeyPrompts &prompts, const QString &folder)
        : m_main(main), m_random(random), m_prompts(prompts), m_folder(folder)
    {
        m_prompts.chooseOpen = [this] { return pickOpen(); };
        m_prompts.chooseSave = [this] { return pickSave(); };
        const QDir corpus(QStringLiteral(VELT_CORPUS_DIR));
        for (const QString &name : corpus.entryList(QDir::Files, QDir::Name))
            m_fuzzed.append(readAll(corpus.filePath(name)));
    }

    void step()
    {
        using Action = void (Monkey::*)();
        struct Kind
        {
            const char *name;
            int weight;
            Action act;
        };
        static const Kind kinds[] = {
            {"button", 25, &Monkey::clickButton},
            {"menu", 8, &Monkey::triggerAction},
            {"cell", 12, &Monkey::clickCell},
            {"text", 14, &Monkey::typeText},
            {"list", 8, &Monkey::chooseItem},
            {"slider", 4, &Monkey::slide},
            {"tab", 4, &Monkey::switchTab},
            {"diagram", 7, &Monkey::clickDiagram},
            {"ring/program", 5, &Monkey::switchRingOrProgram},
            {"controller", 10, &Monkey::driveController},
            {"hide", 3, &Monkey::hideWindow},
        };
        int roll = int(m_random.bounded(100));
        for (const Kind &kind : kinds) {
            if (roll < kind.weight) {
                ++done[QLatin1String(kind.name)];
                (this->*kind.act)();
                break;
            }
            roll -= kind.weight;
        }
        // Answers from the controller and the window's timers get their turn between steps.
        QTest::qWait(m_random.bounded(10) == 0 ? 30 : 1);
    }

private:
    template <typename T> T *any(const QList<T *> &list)
    {
        return list.isEmpty() ? nullptr : list[m_random.bounded(int(list.size()))];
    }

    void clickButton()
    {
        if (auto *b = any(usable<QAbstractButton>()))
            b->click();
    }

    void triggerAction()
    {
        QList<QAction *> actions;
        for (QAction *a : m_main.findChildren<QAction *>()) {
            if (a->isEnabled() && a->objectName().startsWith(QLatin1Char('N')) && !a->menu())
                actions.append(a);
        }
        if (auto *a = any(actions))
            a->trigger();
    }

    void clickCell()
    {
        auto *view = any(usable<QAbstractItemView>());
        if (!view || !view->model())
            return;
        const int rows = view->model()->rowCount(), columns = view->model()->columnCount();
        if (rows == 0 || columns == 0)
            return;
        const QModelIndex index =
            view->model()->index(m_random.bounded(rows), m_random.bounded(columns));
        view->scrollTo(index);
        const QPoint at = view->visualRect(index).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        if (m_random.bounded(3) == 0) {
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
            if (auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget())) {
                editor->setText(randomText());
                QTest::keyClick(editor, Qt::Key_Return);
            }
        }
    }

    QString randomText()
    {
        static const QString cyrillic =
            QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдеёжз");
        static const QString digits = QStringLiteral("0123456789");
        static const QStringList specials = {QStringLiteral("-1"),         QStringLiteral("65536"),
                                             QStringLiteral("4294967296"), QStringLiteral("0"),
                                             QStringLiteral(" 12 "),       QStringLiteral("+5"),
                                             QStringLiteral("1e3"),        QStringLiteral("\t\n")};
        switch (m_random.bounded(5)) {
        case 0:
            return specials[m_random.bounded(int(specials.size()))];
        case 1: {
            QString s;
            for (int i = 0, n = 1 + m_random.bounded(4); i < n; ++i)
                s += digits[m_random.bounded(int(digits.size()))];
            return s;
        }
        case 2: {
            QString s;
            for (int i = 0, n = 1 + m_random.bounded(40); i < n; ++i)
                s += cyrillic[m_random.bounded(int(cyrillic.size()))];
            return s;
        }
        case 3:
            return QString(5000 + m_random.bounded(5000), cyrillic[m_random.bounded(10)]);
        default: {
            QString s;
            for (int i = 0, n = m_random.bounded(30); i < n; ++i)
                s += QChar(char16_t(1 + m_random.bounded(0xD7FF)));
            return s;
        }
        }
    }

    // Key by key, as typed; QTest's own key clicks take Latin-1 only.
    static void typeKeys(QWidget *w, const QString &text)
    {
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
            QApplication::sendEvent(w, &release);
        }
    }

    void typeText()
    {
        auto *edit = any(usable<QLineEdit>());
        if (!edit || edit->isReadOnly())
            return;
        edit->setFocus();
        edit->selectAll();
        const QString text = randomText();
        if (text.size() < 20)
            typeKeys(edit, text);
        else
            edit->insert(text);
        if (m_random.bounded(2))
            QTest::keyClick(edit, Qt::Key_Return);
        else
            emit edit->editingFinished();
    }

    void chooseItem()
    {
        auto *box = any(usable<QComboBox>());
        if (box && box->count() > 0)
            box->setCurrentIndex(m_random.bounded(box->count()));
    }

    void slide()
    {
        if (auto *spin = any(usable<QSpinBox>()))
            spin->setValue(spin->minimum() - 1 +
                           m_random.bounded(spin->maximum() - spin->minimum() + 3));
        if (auto *slider = any(usable<QAbstractSlider>()))
            slider->setValue(slider->minimum() +
                             m_random.bounded(slider->maximum() - slider->minimum() + 1));
    }

    void clickDiagram()
    {
        QWidget *diagram = m_main.scrollBox()->widget();
        if (!diagram || diagram->width() <= 0 || diagram->height() <= 0)
            return;
        const QPoint at(m_random.bounded(diagram->width()), m_random.bounded(diagram->height()));
        m_main.scrollBox()->ensureVisible(at.x(), at.y());
        QWidget *target = diagram->childAt(at) ? diagram->childAt(at) : diagram;
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(diagram, at));
    }

    void switchRingOrProgram()
    {
        const char *name = m_random.bounded(2) ? "ComboBox2" : "ComboBoxProgs";
        auto *box = m_main.findChild<QComboBox *>(QLatin1String(name));
        if (box && box->count() > 0)
            box->setCurrentIndex(m_random.bounded(box->count()));
    }

    void switchTab()
    {
        if (auto *tabs = any(usable<QTabWidget>()))
            tabs->setCurrentIndex(m_random.bounded(tabs->count()));
    }

    // The "ДК" window: shown, then one of its buttons or tabs.
    void driveController()
    {
        auto *controller = m_main.findChild<TForm10 *>();
        if (!controller)
            return;
        if (!controller->isVisible())
            m_main.findChild<QAction *>(QStringLiteral("N21"))->trigger();
        if (m_random.bounded(4) == 0) {
            if (auto *tabs = controller->findChild<QTabWidget *>())
                tabs->setCurrentIndex(m_random.bounded(tabs->count()));
        }
        QList<QAbstractButton *> buttons;
        for (QAbstractButton *b : controller->findChildren<QAbstractButton *>()) {
            if (b->isVisible() && b->isEnabled())
                buttons.append(b);
        }
        if (auto *b = any(buttons))
            b->click();
    }

    void hideWindow()
    {
        QList<QWidget *> shown;
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top != &m_main && top->isVisible() && !qobject_cast<QMenu *>(top))
                shown.append(top);
        }
        if (auto *w = any(shown))
            w->hide();
    }

    QString pickOpen()
    {
        switch (m_random.bounded(5)) {
        case 0:
            return {};
        case 1:
            return m_folder + QStringLiteral("/missing.velt");
        case 2: {
            // A file from the fuzz corpus, or a saved one with bytes changed at random.
            QByteArray bytes;
            if (!m_fuzzed.isEmpty() && m_random.bounded(2)) {
                bytes = ProjectPatches::apply(m_fuzzed[m_random.bounded(int(m_fuzzed.size()))]);
            } else {
                bytes = ProjectPatches::newProjectFile(1 + m_random.bounded(MaxRings));
                for (int i = 0, n = m_random.bounded(200); i < n; ++i)
                    bytes[m_random.bounded(int(bytes.size()))] = char(m_random.bounded(256));
                if (m_random.bounded(4) == 0)
                    bytes.truncate(m_random.bounded(int(bytes.size()) + 1));
            }
            const QString path = m_folder + QStringLiteral("/fuzzed.velt");
            QFile f(path);
            if (f.open(QIODevice::WriteOnly))
                f.write(bytes);
            return path;
        }
        default:
            return m_folder + QStringLiteral("/saved%1.velt").arg(m_random.bounded(3));
        }
    }

    QString pickSave()
    {
        switch (m_random.bounded(4)) {
        case 0:
            return {};
        case 1:
            return m_folder; // a folder: the save fails with a message
        default:
            return m_folder + QStringLiteral("/saved%1.velt").arg(m_random.bounded(3));
        }
    }

public:
    // What the walk did, by kind of action, for its report.
    QMap<QString, int> done;

private:
    TForm1 &m_main;
    QRandomGenerator &m_random;
    MonkeyPrompts &m_prompts;
    QString m_folder;
    QList<QByteArray> m_fuzzed;
};

// The offscreen platform says so for every window raised, thousands of times in a long walk.
QtMessageHandler g_testLog = nullptr;
void quietRaise(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!text.contains(QLatin1String("does not support raise()")) && g_testLog)
        g_testLog(type, context, text);
}

} // namespace

class TestMonkey : public QObject
{
    Q_OBJECT
private slots:
    void randomWalk()
    {
        bool ok = false;
        const int steps = qEnvironmentVariableIntValue("VELT_MONKEY_STEPS", &ok);
        const int count = ok && steps > 0 ? steps : 500;
        const quint32 seed = qEnvironmentVariableIsSet("VELT_MONKEY_SEED")
                                 ? quint32(qEnvironmentVariable("VELT_MONKEY_SEED").toUInt())
                                 : QRandomGenerator::global()->generate();
        // Printed first, so that a walk that crashes can be replayed.
        qInfo("monkey: VELT_MONKEY_SEED=%u VELT_MONKEY_STEPS=%d", seed, count);
        QRandomGenerator random(seed);
        g_testLog = qInstallMessageHandler(quietRaise);
        const auto restoreLog = qScopeGuard([] { qInstallMessageHandler(g_testLog); });

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        // The program reads "config.str" and writes "jor.txt" in its working folder.
        QVERIFY(QDir::setCurrent(dir.path()));
        LinkSettings settings;
        settings.setAddressText(QStringLiteral("127.000.000.070"));
        settings.udpPort = kPort;
        QVERIFY(SaveLinkSettings(settings));

        FaultOptions faults;
        faults.dropShare = 0.05;
        faults.corruptHexShare = 0.05;
        faults.wrongLengthShare = 0.05;
        faults.duplicateShare = 0.05;
        faults.seed = seed;
        VirtualController controller;
        FaultPlan plan(faults);
        SimUdpEndpoint endpoint(controller, plan);
        QVERIFY(endpoint.listen(kController, kPort));
        int commands = 0;
        QObject::connect(&endpoint, &SimEndpoint::commandHandled, [&commands] { ++commands; });

        MonkeyPrompts prompts(random);
        TForm1 main;
        createWindows(main);
        main.communic().loadSettings();
        main.communic().StartTransports();
        main.show();

        // A modal window outside the prompt layer would stop the walk: close it and say so.
        int strayModals = 0;
        QTimer modalCloser;
        QObject::connect(&modalCloser, &QTimer::timeout, [&strayModals] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                ++strayModals;
                qWarning("monkey: a modal window outside the prompts: %s",
                         qPrintable(modal->windowTitle()));
                modal->close();
            }
        });
        modalCloser.start(100);

        Monkey monkey(main, random, prompts, dir.path());
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < count; ++i)
            monkey.step();
        QStringList kinds;
        for (auto it = monkey.done.cbegin(); it != monkey.done.cend(); ++it)
            kinds.append(QStringLiteral("%1 %2").arg(it.key()).arg(it.value()));
        qInfo("monkey: %d steps in %lld ms (%s), %d questions answered, %d commands to the "
              "controller",
              count, clock.elapsed(), qPrintable(kinds.join(QStringLiteral(", "))), prompts.asked,
              commands);

        // Everything that talks to the controller winds down once its windows are hidden. A
        // channel measurement or a journal start may sit in a pause with the link idle and
        // talk again after it.
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (top != &main)
                top->hide();
        }
        auto *service = main.findChild<TForm10 *>();
        QVERIFY(service);
        const auto quiet = [&] {
            return !main.communic().link().busy() && !service->outputTest().working() &&
                   !service->journal().busy();
        };
        QTRY_VERIFY_WITH_TIMEOUT(quiet(), 30000);

        // Every window still answers: it is shown, painted and takes a queued call.
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMenu *>(top) || top->inherits("QTipLabel"))
                continue;
            top->show();
            QVERIFY2(!top->grab().isNull(), qPrintable(top->objectName()));
            bool answered = false;
            QMetaObject::invokeMethod(
                top, [&answered] { answered = true; }, Qt::QueuedConnection);
            QTRY_VERIFY2_WITH_TIMEOUT(answered, qPrintable(top->objectName()), 2000);
            if (top != &main)
                top->hide();
        }
        QCOMPARE(strayModals, 0);
        QVERIFY2(prompts.escaped.isEmpty(), qPrintable(prompts.escaped.join(QLatin1Char('\n'))));

        // The project saved at the end opens and saves again byte for byte.
        const QString first = dir.filePath(QStringLiteral("end.velt"));
        const QString second = dir.filePath(QStringLiteral("again.velt"));
        prompts.chooseSave = [&first] { return first; };
        main.findChild<QAction *>(QStringLiteral("N17"))->trigger();
        const QByteArray saved = readAll(first);
        QVERIFY2(!saved.isEmpty() && saved.size() % qsizetype(RingRecordSize) == 0,
                 qPrintable(QStringLiteral("seed %1").arg(seed)));
        prompts.chooseOpen = [&first] { return first; };
        main.findChild<QAction *>(QStringLiteral("N16"))->trigger();
        prompts.chooseSave = [&second] { return second; };
        main.findChild<QAction *>(QStringLiteral("N17"))->trigger();
        QVERIFY2(readAll(second) == saved, qPrintable(QStringLiteral("seed %1").arg(seed)));
        QVERIFY(QDir::setCurrent(QDir::tempPath()));
        // Hiding the controller window above may have taken the controller out of test mode
        // again; the program quits only once that is done, and so does the walk.
        QTRY_VERIFY_WITH_TIMEOUT(quiet(), 30000);
    }
};

int main(int argc, char **argv)
{
    VeltApplication app(argc, argv);
    TestMonkey test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_monkey.moc"
