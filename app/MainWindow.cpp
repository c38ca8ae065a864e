// Window "Конфигуратор ВЕЛТ".
#include "app/MainWindow.h"

#include "app/EditMenu.h"
#include "app/RecentProjects.h"
#include "app/RecoveryCopy.h"
#include "model/ProjectFile.h"
#include "ui/Controls.h"
#include "ui/Prompts.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {
// A name typed without an extension is saved with kDefaultSuffix; the filter lists those
// files too, or the project could not be opened again from the same dialog.
const QString kFilter = QStringLiteral("VELT Binary files (*.velt *.VELT *.suso *.SUSO)");
const QString kDefaultSuffix = QStringLiteral("velt");

const TForm1::Window kToolbarWindows[] = {TForm1::Window::Settings, TForm1::Window::Directions,
                                          TForm1::Window::Safety,   TForm1::Window::Templates,
                                          TForm1::Window::DayPlans, TForm1::Window::WeekPlans,
                                          TForm1::Window::YearPlan, TForm1::Window::Controller};
} // namespace

TForm1::TForm1(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setAcceptDrops(true);
    resize(1000, 700);
    m_communic.loadSettings();
    connect(&m_communic.link(), &ControllerLink::openFailed, this, [this] {
        showMessage(this, ControllerLink::kOpenFailedCaption, ControllerLink::kOpenFailedText,
                    QMessageBox::Critical);
    });
    // Queued: the command goes on to its end while the engineer reads why it cannot be heard.
    connect(
        &m_communic.link(), &ControllerLink::udpNotListening, this,
        [this](const QString &why) {
            showMessage(this, ControllerLink::kOpenFailedCaption,
                        ControllerLink::kUdpDeafText.arg(why), QMessageBox::Critical);
        },
        Qt::QueuedConnection);
    buildMenus();
    buildToolBars();

    m_scrollBox = new QScrollArea(this);
    m_scrollBox->setObjectName(QStringLiteral("ScrollBox1"));
    m_scrollBox->setWidgetResizable(false);
    setCentralWidget(m_scrollBox);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    m_folder = new QLabel(statusBar());
    m_folder->setObjectName(QStringLiteral("ProjectFolder"));
    statusBar()->addPermanentWidget(m_folder);
    connect(&m_model, &RingModel::modifiedChanged, this, &TForm1::refreshTitle);

    m_model.setFileName(QString());
    refreshTitle();
    m_model.NewProjectDefaults();
    m_model.setModified(false);
    m_history.clear();
    connect(&m_model, &RingModel::edited, this, &TForm1::refreshProgramDisplay);
    connect(&m_history, &ProjectHistory::restored, this, &TForm1::refreshProgramDisplay);
    m_communic.StartTransports();

    addNumbers(m_programs, MaxPrograms);
    m_programs->setCurrentIndex(0);
    refreshProgramDisplay();
}

TForm1::~TForm1() = default;

QString TForm1::versionText()
{
    // Major, minor and the third part; the build number is not shown.
    const QStringList parts = QStringLiteral(VELT_VERSION).split(QLatin1Char('.'));
    return parts.mid(0, 3).join(QLatin1Char('.'));
}

QString TForm1::titleText() const
{
    const QString name = m_model.fileName().isEmpty() ? QStringLiteral("Новый проект")
                                                      : QFileInfo(m_model.fileName()).fileName();
    return name + (m_model.modified() ? QStringLiteral("*") : QString()) +
           QStringLiteral(" — Конфигуратор ВЕЛТ");
}

void TForm1::refreshTitle()
{
    setWindowTitle(titleText());
    const QString folder =
        m_model.fileName().isEmpty()
            ? QString()
            : QDir::toNativeSeparators(QFileInfo(m_model.fileName()).absolutePath());
    m_folder->setText(folder);
    m_folder->setToolTip(QDir::toNativeSeparators(m_model.fileName()));
}

QAction *TForm1::menuAction(QMenu *menu, const char *name, const QString &text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    return action;
}

void TForm1::buildMenus()
{
    QMenu *file = m_fileMenu = menuBar()->addMenu(QStringLiteral("&Файл"));
    QAction *newProject = menuAction(file, "N12", QStringLiteral("&Новый"));
    newProject->setShortcut(QKeySequence::New);
    connect(newProject, &QAction::triggered, this, &TForm1::N12Click);
    QAction *open = menuAction(file, "N16", QStringLiteral("&Открыть проект"));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, &TForm1::N16Click);
    m_recentMenu = file->addMenu(QStringLiteral("Недавние проекты"));
    m_recentMenu->setObjectName(QStringLiteral("RecentProjects"));
    connect(m_recentMenu, &QMenu::aboutToShow, this, &TForm1::fillRecentMenu);
    fillRecentMenu();
    QAction *save = menuAction(file, "N17", QStringLiteral("&Сохранить проект"));
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, &TForm1::N17Click);
    // The export and print items are added after this one; "Выход" stays last.
    QAction *quit = new QAction(QStringLiteral("В&ыход"), this);
    quit->setObjectName(QStringLiteral("ActionQuit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setShortcutContext(Qt::ApplicationShortcut);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    QAction *quitSeparator = new QAction(this);
    quitSeparator->setSeparator(true);
    // The list may have changed in another window's run, and a disabled submenu never asks.
    connect(file, &QMenu::aboutToShow, this, &TForm1::fillRecentMenu);
    connect(file, &QMenu::aboutToShow, this, [file, quit, quitSeparator] {
        file->removeAction(quitSeparator);
        file->removeAction(quit);
        file->addAction(quitSeparator);
        file->addAction(quit);
    });
    addAction(quit);
    addEditMenu(menuBar(), m_history);

    QMenu *params = menuBar()->addMenu(QStringLiteral("&Параметры"));
    const std::pair<Window, std::pair<const char *, QString>> items[] = {
        {Window::Settings, {"N3", QStringLiteral("Настройки")}},
        {Window::Directions, {"N18", QStringLiteral("Направления")}},
        {Window::Safety, {"N9", QStringLiteral("Безопасность")}},
        {Window::Templates, {"N4", QStringLiteral("Фазы")}},
        {Window::DayPlans, {"N5", QStringLiteral("Cуточные планы")}},
        {Window::WeekPlans, {"N6", QStringLiteral("Недельные планы")}},
        {Window::YearPlan, {"N7", QStringLiteral("Годовой план")}},
        {Window::Controller, {"N21", QStringLiteral("ДК")}},
    };
    for (const auto &[which, item] : items)
        m_menuItems[which] = menuAction(params, item.first, item.second);
    params->addSeparator();
    m_menuItems[Window::Check] =
        menuAction(params, "ActionCheckProject", QStringLiteral("Проверить проект"));

    QMenu *help = menuBar()->addMenu(QStringLiteral("Помо&щь"));
    m_menuItems[Window::Help] = menuAction(help, "ActionHelp", QStringLiteral("&Справка"));
    m_menuItems[Window::Help]->setShortcut(QKeySequence::HelpContents);
    m_menuItems[Window::About] = menuAction(help, "N11", QStringLiteral("О программе"));
    m_menuItems[Window::Console] = menuAction(help, "N22", QStringLiteral("Консоль"));

    for (const auto &[which, action] : m_menuItems) {
        const Window w = which;
        connect(action, &QAction::triggered, this, [this, w] { showWindow(w); });
    }
}

QToolButton *TForm1::toolButton(QToolBar *bar, const char *name, const QString &text,
                                const QString &hint)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setText(text);
    button->setToolTip(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addWidget(button);
    return button;
}

QLabel *TForm1::addReadOut(QToolBar *bar, const char *name, int width, const QString &hint)
{
    auto *label = readOut(bar, name, width);
    label->setToolTip(hint);
    bar->addWidget(label);
    return label;
}

void TForm1::buildToolBars()
{
    auto *dialogs = addToolBar(QStringLiteral("Окна"));
    dialogs->setObjectName(QStringLiteral("ToolBar3"));
    const std::pair<Window, std::pair<const char *, QString>> buttons[] = {
        {Window::Settings, {"BitBtn5", QStringLiteral("Настройки")}},
        {Window::Directions, {"BitBtn6", QStringLiteral("Направления")}},
        {Window::Safety, {"BitBtn7", QStringLiteral("Безопасность")}},
        {Window::Templates, {"BitBtn12", QStringLiteral("Шаблоны фаз")}},
        {Window::DayPlans, {"BitBtn8", QStringLiteral("Сут. планы")}},
        {Window::WeekPlans, {"BitBtn9", QStringLiteral("Нед. планы")}},
        {Window::YearPlan, {"BitBtn10", QStringLiteral("Год. план")}},
        {Window::Controller, {"BitBtn11", QStringLiteral("ДК")}},
    };
    const std::map<Window, QString> hints = {
        {Window::Settings, QStringLiteral("Настройки проекта: описание, кольца, связь, журнал")},
        {Window::Directions, QStringLiteral("Направления и их выходы ДК")},
        {Window::Safety, QStringLiteral("Параметры безопасности: конфликты, промтакты, аварии")},
        {Window::Templates, QStringLiteral("Шаблоны фаз: какие направления горят в фазе")},
        {Window::DayPlans, QStringLiteral("Суточные планы: смена программ за сутки")},
        {Window::WeekPlans, QStringLiteral("Недельные планы: суточный план на каждый день")},
        {Window::YearPlan, QStringLiteral("Годовой план: недельный план на каждую неделю")},
        {Window::Controller,
         QStringLiteral("ДК: состояние, тестирование, журнал, время, загрузка")},
    };
    for (const auto &[which, item] : buttons) {
        QToolButton *button = toolButton(dialogs, item.first, item.second, hints.at(which));
        m_toolButtons[which] = button;
        const Window w = which;
        connect(button, &QToolButton::clicked, this, [this, w] { toolbarShow(w); });
    }
    // The report opens editors beside itself, so it hides none of them.
    dialogs->addSeparator();
    m_toolButtons[Window::Check] =
        toolButton(dialogs, "ButtonCheckProject", QStringLiteral("Проверить проект"));
    connect(m_toolButtons[Window::Check], &QToolButton::clicked, this,
            [this] { showWindow(Window::Check); });

    addToolBarBreak();
    auto *program = addToolBar(QStringLiteral("Программа"));
    program->setObjectName(QStringLiteral("ToolBar1"));
    m_programControls.form = this;
    m_programControls.addPhase =
        toolButton(program, "BitBtn1", QStringLiteral("+"), QStringLiteral("Добавить фазу"));
    m_programControls.removePhase =
        toolButton(program, "BitBtn2", QStringLiteral("-"), QStringLiteral("Уменьшить кол-во фаз"));
    m_programControls.zoomIn =
        toolButton(program, "BitBtn3", QStringLiteral("⊕"), QStringLiteral("Увеличить масштаб"));
    m_programControls.zoomOut =
        toolButton(program, "BitBtn4", QStringLiteral("⊖"), QStringLiteral("Уменьшить масштаб"));
    program->addSeparator();
    program->addWidget(new QLabel(QStringLiteral(" Программа "), program));
    connect(
        toolButton(program, "Button7", QStringLiteral("<"), QStringLiteral("Предыдущая программа")),
        &QToolButton::clicked, this, &TForm1::Button7Click);
    m_programs = new QComboBox(program);
    m_programs->setObjectName(QStringLiteral("ComboBoxProgs"));
    m_programs->setToolTip(QStringLiteral("Перейти на программу"));
    m_programs->setMinimumWidth(60);
    program->addWidget(m_programs);
    connect(m_programs, &QComboBox::activated, this, &TForm1::ComboBoxProgsChange);
    connect(
        toolButton(program, "Button6", QStringLiteral(">"), QStringLiteral("Следующая программа")),
        &QToolButton::clicked, this, &TForm1::Button6Click);

    addToolBarBreak();
    auto *ring = addToolBar(QStringLiteral("Кольцо"));
    ring->setObjectName(QStringLiteral("ToolBar2"));
    m_rings = new QComboBox(ring);
    m_rings->setObjectName(QStringLiteral("ComboBox2"));
    m_rings->setToolTip(QStringLiteral("Текущее кольцо"));
    m_rings->setMinimumWidth(50);
    ring->addWidget(m_rings);
    connect(m_rings, &QComboBox::activated, this, &TForm1::ComboBox2Change);
    const QString phaseHint = QStringLiteral("Порядковый номер фазы в проекте");
    auto *phaseLabel = new QLabel(QStringLiteral(" № Фазы "), ring);
    phaseLabel->setToolTip(phaseHint);
    ring->addWidget(phaseLabel);
    m_programControls.phaseNumber = addReadOut(ring, "Panel5", 40, phaseHint);
    auto *typeLabel = new QLabel(QStringLiteral(" Тип "), ring);
    typeLabel->setToolTip(phaseHint);
    ring->addWidget(typeLabel);
    m_programControls.phaseType = addReadOut(ring, "Panel6", 140);
    ring->addWidget(new QLabel(QStringLiteral(" Длит. цикла "), ring));
    m_programControls.cycle = addReadOut(ring, "Panel3", 70);
}

void TForm1::attachWindow(Window which, QWidget *window, std::function<void()> show)
{
    m_windows[which] = Attached{window, std::move(show)};
}

void TForm1::showWindow(Window which)
{
    const auto found = m_windows.find(which);
    if (found == m_windows.end())
        return; // the window is not part of this build yet
    if (found->second.show) {
        found->second.show();
    } else {
        found->second.window->show();
        found->second.window->raise();
        found->second.window->activateWindow();
    }
}

void TForm1::toolbarShow(Window which)
{
    showWindow(which);
    // A toolbar click leaves at most one of its windows open.
    for (const Window other : kToolbarWindows) {
        const auto found = m_windows.find(other);
        if (other != which && found != m_windows.end())
            found->second.window->hide();
    }
}

void TForm1::setConsistencyCheck(std::function<bool(const ProjectBlock &)> check)
{
    m_consistencyCheck = std::move(check);
}

void TForm1::setProgramDisplayHook(std::function<void()> hook)
{
    m_programDisplayHook = std::move(hook);
    refreshProgramDisplay();
}

void TForm1::refreshProgramDisplay()
{
    if (m_programDisplayHook)
        m_programDisplayHook();
    m_programs->setCurrentIndex(m_model.currentProgram());
    m_rings->clear();
    addNumbers(m_rings, m_model.ringCount());
    m_rings->setCurrentIndex(m_model.currentRing());
}

void TForm1::N12Click()
{
    if (!mayReplaceProject())
        return;
    m_model.NewProjectDefaults();
    // A new project belongs to no file: the next save asks for a name instead of writing
    // the defaults over the previous project's file.
    m_model.setFileName(QString());
    m_model.setModified(false);
    m_history.clear();
    projectFileChanged();
    refreshProgramDisplay();
}

bool TForm1::mayReplaceProject()
{
    if (!m_model.modified())
        return true;
    const auto answer = askQuestion(this, QStringLiteral("Сохранение"),
                                    QStringLiteral("Проект не сохранен! Сохранить?"),
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::No)
        return true;
    // A save that failed or was cancelled keeps the project: replacing it would lose the edits.
    return answer == QMessageBox::Yes && saveProject() && !m_model.modified();
}

void TForm1::N16Click()
{
    if (!mayReplaceProject())
        return;
    Prompts::setStartPath(m_model.fileName().isEmpty()
                              ? RecentProjects::lastFolder()
                              : QFileInfo(m_model.fileName()).absolutePath());
    const QString path = Prompts::instance().openFileName(this, kFilter);
    if (!path.isEmpty())
        loadProject(path);
    else if (m_consistencyCheck && m_consistencyCheck(m_model.project()))
        (void)Prompts::instance().ask(
            this, QStringLiteral("Отмена!!!"),
            QStringLiteral("Ошибка проекта: матрица конфликтов не соответствует шаблонам фаз"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning);
}

bool TForm1::openProject(const QString &path)
{
    return mayReplaceProject() && loadProject(path);
}

bool TForm1::loadProject(const QString &path)
{
    // Read into a scratch model first: a file that is no project leaves the open one as it is.
    RingModel scratch;
    const ProjectFile::OpenResult result = ProjectFile::open(scratch, path);
    if (!result.ok() || result.ringsRead == 0) {
        const QString text =
            result.ok() ? QStringLiteral("Файл \"%1\" не является проектом ДК: в нем нет ни "
                                         "одного кольца")
                              .arg(path)
                        : result.error;
        showMessage(this, QStringLiteral("Ошибка"), text, QMessageBox::Warning);
        return false;
    }
    const ProjectFile::OpenResult loaded = ProjectFile::open(m_model, path);
    if (!loaded.ok() || loaded.ringsRead == 0) {
        showMessage(this, QStringLiteral("Ошибка"), loaded.error, QMessageBox::Warning);
        return false;
    }
    m_model.setFileName(path);
    m_model.setModified(false);
    m_history.clear();
    RecentProjects::add(path);
    projectFileChanged();
    refreshProgramDisplay();
    if (!loaded.badChecksumRings.empty()) {
        QStringList rings;
        for (const int ring : loaded.badChecksumRings)
            rings << QString::number(ring);
        showMessage(this, QStringLiteral("Внимание"),
                    QStringLiteral("Контрольная сумма не совпадает: кольцо %1. Файл поврежден "
                                   "или изменен вне программы; проверьте проект перед загрузкой "
                                   "в ДК.")
                        .arg(rings.join(QStringLiteral(", "))),
                    QMessageBox::Warning);
    }
    if (m_consistencyCheck && m_consistencyCheck(m_model.project()))
        (void)Prompts::instance().ask(
            this, QStringLiteral("Отмена!!!"),
            QStringLiteral("Ошибка проекта: матрица конфликтов не соответствует шаблонам фаз"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Warning);
    return true;
}

void TForm1::projectFileChanged()
{
    refreshTitle();
    if (m_recovery && !m_model.modified())
        m_recovery->remove();
}

void TForm1::fillRecentMenu()
{
    m_recentMenu->clear();
    const QStringList files = RecentProjects::list();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction *item = m_recentMenu->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
        item->setToolTip(path);
        item->setData(path);
        connect(item, &QAction::triggered, this, [this, path] { openProject(path); });
    }
    m_recentMenu->setEnabled(!files.isEmpty());
}

bool TForm1::saveProject()
{
    m_model.storeWorkingCopy();
    Prompts::setStartPath(m_model.fileName().isEmpty() ? RecentProjects::lastFolder()
                                                       : m_model.fileName());
    QString path = Prompts::instance().saveFileName(this, kFilter, kDefaultSuffix);
    if (path.isEmpty())
        return true; // cancelled: nothing written, nothing lost
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + kDefaultSuffix;
    if (const auto error = ProjectFile::save(m_model, path)) {
        showMessage(this, QStringLiteral("Ошибка сохранения"), *error, QMessageBox::Warning);
        return false;
    }
    m_model.setFileName(path);
    RecentProjects::add(path);
    projectFileChanged();
    refreshProgramDisplay();
    return true;
}

void TForm1::N17Click()
{
    saveProject();
    refreshTitle();
}

void TForm1::Button6Click()
{
    const int next = std::min(m_model.currentProgram() + 1, MaxPrograms - 1);
    m_model.SelectProgram(next);
    refreshProgramDisplay();
}

void TForm1::Button7Click()
{
    const int previous = m_model.currentProgram() > 0 ? m_model.currentProgram() - 1 : 0;
    m_model.SelectProgram(previous);
    refreshProgramDisplay();
}

void TForm1::ComboBox2Change(int index)
{
    if (index < 0 || index == m_model.currentRing())
        return;
    m_model.SwitchRing(index);
    refreshProgramDisplay();
}

void TForm1::ComboBoxProgsChange(int index)
{
    if (index < 0)
        return;
    m_model.SelectProgram(index);
    refreshProgramDisplay();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    if (!m_model.modified()) {
        acceptClose(event);
        return;
    }
    const auto answer = askQuestion(this, QStringLiteral("Сохранение"),
                                    QStringLiteral("Проект не сохранен! Сохранить?"),
                                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) {
        event->ignore();
        return;
    }
    // A save that failed keeps the window open: closing would throw the project away.
    if (answer == QMessageBox::Yes && !saveProject()) {
        event->ignore();
        return;
    }
    acceptClose(event);
}
