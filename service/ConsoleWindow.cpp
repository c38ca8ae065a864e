// Window "Командная консоль".
#include "service/ConsoleWindow.h"

#include "link/ControllerLink.h"
#include "link/Reply.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>

#include <qcoro/qcorotask.h>

const QString TForm12::kNotSent = QStringLiteral("Команда не отправлена: ");

TForm12::TForm12(ControllerLink &link, QWidget *parent) : QWidget(parent, Qt::Window), m_link(link)
{
    setObjectName(QStringLiteral("Form12"));
    setWindowTitle(QStringLiteral("Командная консоль"));

    // Empty, so that Enter never sends a command nobody typed; the hint shows the form.
    m_command = new QLineEdit;
    m_command->setPlaceholderText(QStringLiteral("send485 6 010203040506"));
    m_command->setObjectName(QStringLiteral("Edit1"));
    m_commands = new QComboBox;
    m_commands->setObjectName(QStringLiteral("ComboBox1"));
    m_commands->addItems({QStringLiteral("help"), QStringLiteral("ifconfig"),
                          QStringLiteral("get state"), QStringLiteral("get gps_time"),
                          QStringLiteral("get ds1390_time"), QStringLiteral("get info"),
                          QStringLiteral("get lineADC"), QStringLiteral("get linePWM"),
                          QStringLiteral("get sensors")});
    m_commands->setCurrentIndex(-1);
    m_log = new QPlainTextEdit;
    m_log->setObjectName(QStringLiteral("Memo1"));
    m_log->setReadOnly(true);
    m_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_log->setMaximumBlockCount(MaxLogLines);
    m_lines = std::make_unique<LogBatch>(*m_log);
    m_send = new QPushButton(QStringLiteral("Послать"));
    m_send->setObjectName(QStringLiteral("Button1"));

    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Отправляемая команда")), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Список некоторых команд ДК")), 0, 1);
    layout->addWidget(m_command, 1, 0);
    layout->addWidget(m_commands, 1, 1);
    layout->addWidget(m_log, 2, 0, 1, 2);
    layout->addWidget(m_send, 3, 1, Qt::AlignRight);
    setFixedSize(560, 400);

    connect(m_send, &QPushButton::clicked, this, &TForm12::Button1Click);
    connect(m_commands, &QComboBox::activated, this, &TForm12::ComboBox1Change);
    connect(&m_link, &ControllerLink::echo, this, &TForm12::appendLog);
    m_flush.setSingleShot(true);
    m_flush.setInterval(FlushMs);
    connect(&m_flush, &QTimer::timeout, this, &TForm12::flushLog);
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *enter = new QShortcut(QKeySequence(key), this);
        connect(enter, &QShortcut::activated, this, &TForm12::FormKeyPress);
    }
}

void TForm12::appendLog(const QString &text)
{
    // A NUL from the wire would cut the line short in the view.
    QString shown = keepHead(text, MaxLineChars);
    shown.replace(QChar(0), QChar(0x2400));
    // Lines are laid out once a frame, together: one layout per line would let a busy link
    // (a long journal, a transfer) spend its time in the console's text layout.
    m_lines->append(shown);
    // A hidden console lays nothing out: what it would show waits until it opens.
    if (isVisible() && !m_flush.isActive())
        m_flush.start();
}

void TForm12::flushLog()
{
    if (isVisible())
        m_lines->flush();
}

void TForm12::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    flushLog();
}

void TForm12::Button1Click()
{
    // The answer arrives in the log through the echo; only a command that never reached the
    // wire is said here (a port that cannot be opened has its message from the link too).
    const QString command = m_command->text();
    QCoro::connect(m_link.SendRaw(command), this,
                   [this, command](const Reply &reply) { reportUnsent(reply, command); });
}

void TForm12::ComboBox1Change(int index)
{
    if (index >= 0)
        m_command->setText(m_commands->itemText(index));
}

void TForm12::FormKeyPress()
{
    const QString command = m_command->text();
    QCoro::connect(m_link.sendDatagram(command), this,
                   [this, command](const Reply &reply) { reportUnsent(reply, command); });
}

void TForm12::reportUnsent(const Reply &reply, const QString &command)
{
    if (!reply.sent())
        appendLog(kNotSent + command);
}

void TForm12::hideEvent(QHideEvent *event)
{
    // A minimised console is still open; only closing or hiding it lets the port go.
    if (!event->spontaneous())
        m_link.closeSerial();
    QWidget::hideEvent(event);
}
