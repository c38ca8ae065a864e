// Window "ДК".
#include "service/ControllerWindow.h"

#include "link/ControllerLink.h"
#include "service/ClockPage.h"
#include "service/InfoPage.h"
#include "service/JournalPage.h"
#include "service/StatePage.h"
#include "service/TestPage.h"
#include "service/TransferPage.h"
#include "ui/Controls.h"
#include "ui/Prompts.h"

#include <QHBoxLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

TForm10::TForm10(ControllerLink &link, RingModel &model, QWidget *parent)
    : QWidget(parent, Qt::Window), m_link(link), m_transfer(link, model), m_monitor(link),
      m_test(link), m_journal(link), m_clock(link), m_info(link)
{
    setObjectName(QStringLiteral("Form10"));
    setWindowTitle(QStringLiteral("ДК"));
    resize(760, 560);
    auto *layout = new QVBoxLayout(this);
    auto *pages = named(new QTabWidget(this), "PageControl1");
    layout->addWidget(pages, 1);
    m_state = new StatePage(m_monitor, model, pages);
    const std::pair<QWidget *, QString> tabs[] = {
        {m_state, QStringLiteral("Состояние")},
        {new TestPage(m_test, pages), QStringLiteral("Тестирование")},
        {new JournalPage(m_journal, m_info, pages), QStringLiteral("Журнал")},
        {new ClockPage(m_clock, pages), QStringLiteral("Время")},
        {new InfoPage(m_info, pages), QStringLiteral("Информация о ДК")},
        {new TransferPage(m_transfer, pages), QStringLiteral("Загрузка/Выгрузка")},
    };
    for (const auto &[page, title] : tabs) {
        page->setObjectName(QStringLiteral("TabSheet%1").arg(pages->count() + 1));
        pages->addTab(page, title);
    }

    auto *bottom = new QHBoxLayout;
    m_status = named(new QLineEdit(this), "EditStatus");
    bottom->addWidget(m_status, 1);
    auto *ok = named(new QPushButton(QStringLiteral("ОК"), this), "ButtonOK");
    connect(ok, &QPushButton::clicked, this, &TForm10::ButtonOKClick);
    bottom->addWidget(ok);
    layout->addLayout(bottom);

    // Every feature reaches the window through these, set once.
    m_transfer.setQuestions(this);
    m_journal.setQuestions(this);
    m_info.setQuestions(this);
    connect(&m_journal, &JournalReader::statusReported, this, &TForm10::setStatusText);
    connect(&m_clock, &ClockService::statusReported, this, &TForm10::setStatusText);
    connect(&m_info, &InfoService::statusReported, this, &TForm10::setStatusText);
    connect(&m_monitor, &StateMonitor::answeringChanged, this, [this](bool answering) {
        if (!answering)
            setStatusText(StateMonitor::kNoAnswerText);
        else if (statusText() == StateMonitor::kNoAnswerText)
            setStatusText(StateMonitor::kAnswerAgainText);
    });
    connect(&m_test, &OutputTest::monitorStopRequested, this, &TForm10::StopMonitor);
    connect(&m_journal, &JournalReader::monitorStopRequested, this, &TForm10::StopMonitor);
    connect(&m_clock, &ClockService::monitorStopRequested, this, &TForm10::StopMonitor);
    connect(&m_transfer, &ProjectTransfer::monitorStopRequested, this, &TForm10::StopMonitor);
    connect(&m_clock, &ClockService::commandLogged, this, &TForm10::commandLogged);
    connect(&m_transfer, &ProjectTransfer::projectReplaced, this, &TForm10::projectReplaced);
    connect(&m_transfer, &ProjectTransfer::busyChanged, this,
            [this] { m_state->setWatchEnabled(!m_transfer.busy() && !m_transfer.running()); });
}

QString TForm10::statusText() const
{
    return m_status->text();
}

void TForm10::setStatusText(const QString &text)
{
    m_status->setText(text);
}

bool TForm10::ask(Question, const QString &caption, const QString &text)
{
    return askQuestion(nullptr, caption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

bool TForm10::askLeaveTestMode()
{
    return ask(Question::LeaveTestMode, QStringLiteral("Тестовый режим"),
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
    m_state->StopMonitor();
}

void TForm10::ButtonOKClick()
{
    hide();
}

void TForm10::showEvent(QShowEvent *event)
{
    m_quitAsked = false;
    m_state->windowShown();
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
