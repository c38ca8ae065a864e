// Window "ДК".
#include "service/ControllerWindow.h"

#include "ui/Prompts.h"
#include "link/ControllerLink.h"
#include "model/RingModel.h"
#include "service/ClockPage.h"
#include "service/InfoPage.h"
#include "service/JournalPage.h"
#include "service/LampList.h"
#include "service/LiveLamps.h"
#include "service/TestPage.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QLabel *panel(QWidget *parent, const char *name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setMinimumWidth(120);
    label->setMaximumWidth(260);
    // Text from the wire is shown as it came, never interpreted.
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPlainTextEdit *logView(QWidget *parent, const char *name, int lines)
{
    auto *log = new QPlainTextEdit(parent);
    log->setObjectName(QLatin1String(name));
    log->setReadOnly(true);
    log->setMaximumBlockCount(lines);
    log->setLineWrapMode(QPlainTextEdit::NoWrap);
    return log;
}

const QStringList kPageTitles = {
    QStringLiteral("Состояние"),       QStringLiteral("Тестирование"),
    QStringLiteral("Журнал"),          QStringLiteral("Время"),
    QStringLiteral("Информация о ДК"), QStringLiteral("Загрузка/Выгрузка"),
};
} // namespace

TForm10::TForm10(ControllerLink &link, RingModel &model, QWidget *parent)
    : QWidget(parent, Qt::Window), m_link(link), m_model(model), m_transfer(link, model),
      m_monitor(link), m_test(link), m_journal(link), m_clock(link), m_info(link)
{
    m_serviceHooks.askYesNo = [](const QString &caption, const QString &text) {
        return askQuestion(nullptr, caption, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    m_serviceHooks.status = [this](const QString &text) { setStatusText(text); };
    m_serviceHooks.stopMonitor = [this] { StopMonitor(); };
    m_test.setHooks(m_serviceHooks);
    m_journal.setHooks(m_serviceHooks);
    m_clock.setHooks(m_serviceHooks);
    m_info.setHooks(m_serviceHooks);

    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("ДК"));
    resize(760, 560);
    auto *layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(m_pages, 1);
    for (int i = 0; i < kPageTitles.size(); ++i) {
        QWidget *page = nullptr;
        switch (i) {
        case 0:
            page = buildStatePage();
            break;
        case 1:
            page = new TestPage(m_test, m_pages);
            break;
        case 2:
            page = new JournalPage(m_journal, m_info, m_pages);
            break;
        case 3:
            page = new ClockPage(m_clock, m_pages);
            break;
        case 4:
            page = new InfoPage(m_info, m_pages);
            break;
        default:
            page = buildTransferPage();
        }
        page->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        m_pages->addTab(page, kPageTitles[i]);
    }

    auto *bottom = new QHBoxLayout;
    m_status = new QLineEdit(this);
    m_status->setObjectName(QStringLiteral("EditStatus"));
    bottom->addWidget(m_status, 1);
    auto *ok = new QPushButton(QStringLiteral("ОК"), this);
    ok->setObjectName(QStringLiteral("ButtonOK"));
    connect(ok, &QPushButton::clicked, this, &TForm10::ButtonOKClick);
    bottom->addWidget(ok);
    layout->addLayout(bottom);

    connect(&m_monitor, &StateMonitor::refreshed, this, &TForm10::showDisplay);
    // Edits and a new project change what the lamps stand for, not only a poll.
    connect(&m_model, &RingModel::edited, this, &TForm10::showLamps);
    connect(&m_model, &RingModel::currentRingReplaced, this, &TForm10::showLamps);
    connect(&m_monitor, &StateMonitor::watchingChanged, m_watch, &QToolButton::setChecked);

    m_transfer.setQuestions(this);
    connect(&m_transfer, &ProjectTransfer::monitorStopRequested, this, &TForm10::StopMonitor);
    connect(&m_transfer, &ProjectTransfer::projectReplaced, this, [this] {
        if (m_projectReplaced)
            m_projectReplaced();
    });
    connect(&m_transfer, &ProjectTransfer::statusCleared, this,
            [this] { markProgressFailed(false); });
    connect(&m_transfer, &ProjectTransfer::busyChanged, this, &TForm10::showTransferState);
    connect(&m_transfer, &ProjectTransfer::progressChanged, m_progress, &QProgressBar::setValue);
    connect(&m_transfer, &ProjectTransfer::labelChanged, m_transferLabel, &QLabel::setText);
    connect(&m_transfer, &ProjectTransfer::statusCleared, m_statusLog, &QPlainTextEdit::clear);
    connect(&m_transfer, &ProjectTransfer::statusLogged, m_statusLog,
            &QPlainTextEdit::appendPlainText);
    connect(&m_transfer, &ProjectTransfer::packetLogged, m_packetLog,
            &QPlainTextEdit::appendPlainText);
    showTransferState();
}

QWidget *TForm10::buildStatePage()
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);

    auto *top = new QHBoxLayout;
    m_watch = new QToolButton(page);
    m_watch->setObjectName(QStringLiteral("SpeedButton1"));
    m_watch->setText(QStringLiteral("Следить"));
    m_watch->setCheckable(true);
    m_watch->setMinimumWidth(100);
    connect(m_watch, &QToolButton::clicked, this, &TForm10::SpeedButton1Click);
    top->addWidget(m_watch);
    top->addSpacing(24);
    top->addWidget(new QLabel(QStringLiteral("Кольцо"), page));
    m_ringBar = new QSlider(Qt::Horizontal, page);
    m_ringBar->setObjectName(QStringLiteral("TrackBar1"));
    m_ringBar->setRange(1, MaxRings);
    m_ringBar->setPageStep(1);
    m_ringBar->setTickInterval(1);
    m_ringBar->setTickPosition(QSlider::TicksBelow);
    m_ringBar->setFixedWidth(120);
    connect(m_ringBar, &QSlider::valueChanged, this, &TForm10::TrackBar1Change);
    top->addWidget(m_ringBar);
    m_ringPanel = panel(page, "PanelRing");
    m_ringPanel->setMinimumWidth(30);
    m_ringPanel->setAlignment(Qt::AlignCenter);
    top->addWidget(m_ringPanel);
    top->addStretch(1);
    layout->addLayout(top);

    auto *form = new QFormLayout;
    m_mode = panel(page, "PanelMode");
    m_program = panel(page, "PanelProgram");
    m_singlePhase = panel(page, "PanelPhase");
    m_programPhase = panel(page, "PanelProgPhase");
    m_specialProgram = panel(page, "PanelSpecProg");
    m_source = panel(page, "PanelSource");
    form->addRow(QStringLiteral("Состояние"), m_mode);
    form->addRow(QStringLiteral("Программа"), m_program);
    form->addRow(QStringLiteral("Фаза"), m_singlePhase);
    form->addRow(QStringLiteral("№ фазы программы"), m_programPhase);
    form->addRow(QStringLiteral("Спец. программа"), m_specialProgram);
    form->addRow(QStringLiteral("Источник"), m_source);
    layout->addLayout(form);

    auto *outputs = new QGroupBox(QStringLiteral("Состояние выходов"), page);
    auto *columns = new QHBoxLayout(outputs);
    const auto column = [&](const QString &title, const char *name) {
        auto *box = new QVBoxLayout;
        box->addWidget(new QLabel(title, outputs));
        auto *list = new QListWidget(outputs);
        list->setObjectName(QLatin1String(name));
        list->setSelectionMode(QAbstractItemView::NoSelection);
        box->addWidget(list);
        columns->addLayout(box);
        return list;
    };
    m_red = column(QStringLiteral("КРАСНАЯ"), "ListBoxRed");
    m_yellow = column(QStringLiteral("ЖЕЛТАЯ"), "ListBoxYellow");
    m_green = column(QStringLiteral("ЗЕЛЕНАЯ"), "ListBoxGreen");
    auto *lamps = new QVBoxLayout;
    lamps->addWidget(new QLabel(QStringLiteral("НАПРАВЛЕНИЯ"), outputs));
    m_lamps = new LampList(outputs);
    lamps->addWidget(m_lamps, 1);
    m_projectCheck = new QLabel(outputs);
    m_projectCheck->setObjectName(QStringLiteral("LabelProjectCheck"));
    m_projectCheck->setStyleSheet(QStringLiteral("color: red"));
    m_projectCheck->setWordWrap(true);
    lamps->addWidget(m_projectCheck);
    columns->addLayout(lamps, 2);
    layout->addWidget(outputs, 1);
    TrackBar1Change(m_ringBar->value());
    return page;
}

QWidget *TForm10::buildTransferPage()
{
    auto *page = new QWidget(m_pages);
    auto *layout = new QVBoxLayout(page);
    auto *buttons = new QHBoxLayout;
    m_upload = new QPushButton(ProjectTransfer::kUploadCaption, page);
    m_upload->setObjectName(QStringLiteral("Button3"));
    m_upload->setAutoDefault(false);
    connect(m_upload, &QPushButton::clicked, this, &TForm10::Button3Click);
    m_download = new QPushButton(ProjectTransfer::kDownloadCaption, page);
    m_download->setObjectName(QStringLiteral("Button2"));
    m_download->setAutoDefault(false);
    connect(m_download, &QPushButton::clicked, this, &TForm10::Button2Click);
    // Both buttons keep one width whatever their caption, so the row does not jump.
    const int width = std::max(m_upload->sizeHint().width(), m_download->sizeHint().width());
    m_upload->setMinimumWidth(width);
    m_download->setMinimumWidth(width);
    buttons->addWidget(m_upload);
    buttons->addWidget(m_download);
    m_transferLabel = new QLabel(page);
    m_transferLabel->setObjectName(QStringLiteral("Label1"));
    buttons->addWidget(m_transferLabel, 1);
    layout->addLayout(buttons);

    m_verify = new QCheckBox(QStringLiteral("Проверить после загрузки"), page);
    m_verify->setObjectName(QStringLiteral("CheckBoxVerify"));
    m_verify->setChecked(m_transfer.verifyAfterUpload());
    connect(m_verify, &QCheckBox::toggled, this,
            [this](bool on) { m_transfer.setVerifyAfterUpload(on); });
    layout->addWidget(m_verify);

    m_progress = new QProgressBar(page);
    m_progress->setObjectName(QStringLiteral("ProgressBar2"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progress);

    // What happened, step by step and packet by packet.
    auto *logs = new QSplitter(Qt::Horizontal, page);
    const auto titled = [&](const QString &title, QPlainTextEdit *log) {
        auto *box = new QGroupBox(title, logs);
        auto *inner = new QVBoxLayout(box);
        inner->setContentsMargins(4, 4, 4, 4);
        inner->addWidget(log);
        logs->addWidget(box);
    };
    m_statusLog = logView(page, "MemoStatus", 2000);
    m_packetLog = logView(page, "MemoPackets", 5000);
    titled(QStringLiteral("Ход операции"), m_statusLog);
    titled(QStringLiteral("Пакеты"), m_packetLog);
    logs->setStretchFactor(0, 3);
    logs->setStretchFactor(1, 2);
    layout->addWidget(logs, 1);
    return page;
}

QWidget *TForm10::page(int index) const
{
    return m_pages->widget(index);
}

QString TForm10::statusText() const
{
    return m_status->text();
}

void TForm10::setStatusText(const QString &text)
{
    m_status->setText(text);
}

void TForm10::setProjectReplaced(std::function<void()> hook)
{
    m_projectReplaced = std::move(hook);
}

bool TForm10::ask(Question, const QString &caption, const QString &text)
{
    return askQuestion(nullptr, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void TForm10::setConsoleLog(std::function<void(const QString &)> log)
{
    m_serviceHooks.consoleLog = std::move(log);
    m_clock.setHooks(m_serviceHooks);
}

bool TForm10::askLeaveTestMode()
{
    return m_serviceHooks.ask(
        QStringLiteral("Тестовый режим"),
        QStringLiteral("Контроллер в режиме ТЕСТ. Выключить тестовый режим?"));
}

QCoro::Task<void> TForm10::leaveTestMode(bool closePort, std::function<void()> then)
{
    co_await m_test.testOff();
    // The window was closed meanwhile: the port goes, as it would have at once.
    if (closePort && !isVisible())
        m_link.closeSerial();
    if (then)
        then();
}

bool TForm10::mayQuit(std::function<void()> quitAgain)
{
    if (!m_test.testMode() || m_quitAsked)
        return true;
    // Leaving the lamps of a live intersection under manual control is never what was meant.
    m_quitAsked = true;
    if (!askLeaveTestMode())
        return true;
    leaveTestMode(false, std::move(quitAgain));
    return false;
}

void TForm10::StopMonitor()
{
    m_monitor.StopMonitor();
    m_watch->setChecked(false);
}

void TForm10::ButtonOKClick()
{
    hide();
}

void TForm10::SpeedButton1Click(bool down)
{
    if (down)
        m_monitor.start();
    else
        m_monitor.StopMonitor();
}

void TForm10::TrackBar1Change(int value)
{
    m_monitor.setRing(value);
    m_ringPanel->setText(QString::number(value));
    showLamps();
}

void TForm10::Button3Click()
{
    if (m_transfer.uploadBusy())
        m_transfer.cancel();
    else
        runTransfer(true);
}

void TForm10::Button2Click()
{
    if (m_transfer.downloadBusy())
        m_transfer.cancel();
    else
        runTransfer(false);
}

QCoro::Task<void> TForm10::runTransfer(bool upload)
{
    const QPointer<TForm10> self(this);
    // Two awaits rather than one of a conditional: GCC 12 mishandles a task temporary chosen
    // by ?: inside co_await.
    TransferResult result;
    if (upload)
        result = co_await m_transfer.upload();
    else
        result = co_await m_transfer.download();
    if (self)
        showTransferResult(result);
}

void TForm10::showTransferResult(const TransferResult &result)
{
    using Cause = TransferResult::Cause;
    // A project stopped before anything was sent leaves the bar where it was.
    const bool sentSomething = result.cause != Cause::RefusedByCheck &&
                               result.cause != Cause::Declined &&
                               result.outcome != TransferResult::Outcome::NotStarted;
    if (sentSomething && result.outcome == TransferResult::Outcome::Failed)
        markProgressFailed(true);
    if (result.caption.isEmpty())
        return;
    const QMessageBox::Icon icon =
        result.severity == TransferResult::Severity::Error     ? QMessageBox::Critical
        : result.severity == TransferResult::Severity::Warning ? QMessageBox::Warning
                                                               : QMessageBox::Information;
    showMessage(nullptr, result.caption, result.message, icon);
}

void TForm10::markProgressFailed(bool failed)
{
    if (failed == m_progress->property("failed").toBool())
        return;
    m_progress->setProperty("failed", failed);
    m_progress->setFormat(failed ? QStringLiteral("Сбой: %p%") : QStringLiteral("%p%"));
    QPalette palette = m_progress->parentWidget()->palette();
    if (failed)
        palette.setColor(QPalette::Highlight, QColor(0xc0, 0x20, 0x20));
    m_progress->setPalette(palette);
}

void TForm10::showEvent(QShowEvent *event)
{
    m_quitAsked = false;
    m_ringPanel->setText(QString::number(m_ringBar->value()));
    QWidget::showEvent(event);
}

void TForm10::hideEvent(QHideEvent *event)
{
    // A minimised window still works; closing or hiding it stops everything that talks to
    // the controller and lets the port go.
    if (!event->spontaneous()) {
        StopMonitor();
        m_transfer.cancel();
        m_journal.stop();
        if (m_test.testMode() && !m_quitAsked && askLeaveTestMode())
            leaveTestMode(true, {});
        else
            m_link.closeSerial();
    }
    QWidget::hideEvent(event);
}

void TForm10::showDisplay(const MonitorDisplay &display)
{
    m_mode->setText(display.mode);
    m_program->setText(display.program);
    m_singlePhase->setText(display.singlePhase);
    m_programPhase->setText(display.programPhase);
    m_specialProgram->setText(display.specialProgram);
    m_source->setText(display.source);
    const auto fill = [](QListWidget *list, const QStringList &lines) {
        list->clear();
        list->addItems(lines);
    };
    fill(m_red, display.red);
    fill(m_yellow, display.yellow);
    fill(m_green, display.green);
    m_display = display;
    showLamps();
}

void TForm10::showLamps()
{
    // The slider is built before the list; a change then has nothing to show yet.
    if (!m_lamps)
        return;
    const int ring = m_ringBar->value() - 1;
    // The ring being edited is the working copy; its store is stale until a switch or a save.
    const RingData &data = ring == m_model.currentRing() ? m_model.working() : m_model.store(ring);
    m_lamps->showLamps(
        LiveLamps::directionLamps(data.project, LiveLamps::channels(m_display.values)));
    m_projectCheck->setText(LiveLamps::projectDiffers(data.programs, m_display.values)
                                ? LiveLamps::ProjectDiffersText
                                : QString());
}

void TForm10::showTransferState()
{
    const bool up = m_transfer.uploadBusy();
    const bool down = m_transfer.downloadBusy();
    // The tail of a cancelled transfer still holds the link for one command: neither button
    // starts another until it has let go.
    const bool winding = !m_transfer.busy() && m_transfer.running();
    m_upload->setText(up ? ProjectTransfer::kCancelCaption : ProjectTransfer::kUploadCaption);
    m_download->setText(down ? ProjectTransfer::kCancelCaption : ProjectTransfer::kDownloadCaption);
    m_upload->setEnabled(!down && !winding);
    m_download->setEnabled(!up && !winding);
    // Polls would go out between the transfer's packets.
    m_watch->setEnabled(!m_transfer.busy() && !m_transfer.running());
}
