#include "service/OutputTest.h"

#include "link/ControllerLink.h"

namespace {
const QString kTestStatus = QStringLiteral("ТЕСТ режим");
const QString kNormalStatus = QStringLiteral("НЕТ");

// Counts a script as running for as long as it lives.
struct Working
{
    int &count;
    OutputTest &test;
    Working(int &c, OutputTest &t) : count(c), test(t) { ++count; }
    ~Working()
    {
        --count;
        emit test.changed();
    }
};
} // namespace

OutputTest::OutputTest(ControllerLink &link, QObject *parent) : QObject(parent), m_link(link) {}

OutputTest::~OutputTest()
{
    m_pauses.end();
}

QString OutputTest::channelCommand(int group, Colour colour, bool on)
{
    static const char codes[] = {'r', 'y', 'g'};
    return QStringLiteral("channel %1 %2 %3")
        .arg(group)
        .arg(QLatin1Char(codes[colour]))
        .arg(on ? QStringLiteral("on") : QStringLiteral("off"));
}

bool OutputTest::groupPresent(const QString &payload, int group)
{
    const QStringList tokens = payload.split(QLatin1Char(' '), Qt::SkipEmptyParts).mid(0, 9);
    return group >= 1 && group <= tokens.size() && tokens[group - 1].contains(QLatin1Char('1'));
}

QCoro::Task<void> OutputTest::testOn()
{
    const Working working(m_working, *this);
    emit monitorStopRequested();
    const bool opened = m_link.OpenLink();
    bool accepted = false;
    if (opened)
        accepted = (co_await m_link.SendCommandRetry(QStringLiteral("set test on"), Tries)).ok();
    if (accepted) {
        m_testMode = true;
        setStatus(kTestStatus);
        co_return;
    }
    if (opened)
        setStatus(kNormalStatus);
    m_testMode = false;
    emit changed();
}

QCoro::Task<void> OutputTest::testOff()
{
    const Working working(m_working, *this);
    if (!m_link.OpenLink())
        co_return;
    if ((co_await m_link.SendCommandRetry(QStringLiteral("set test off"), Tries)).ok()) {
        m_testMode = false;
        setStatus(kNormalStatus);
    }
    emit changed();
}

QCoro::Task<void> OutputTest::channelOn(int group, Colour colour)
{
    if (!m_testMode)
        co_return;
    const Working working(m_working, *this);
    setResults({});
    if (!m_link.OpenLink())
        co_return;
    if (!(co_await m_link.SendCommandRetry(channelCommand(group, colour, true), Tries)).ok())
        co_return;
    static const QString letters[] = {QStringLiteral("К"), QStringLiteral("Ж"),
                                      QStringLiteral("З")};
    setResults(
        {QStringLiteral("Канал %1 %2").arg(group).arg(letters[colour]), QStringLiteral("ВКЛ!")});
    if (!co_await m_pauses.wait(SettleMs) || colour == Yellow)
        co_return;
    if (!co_await m_pauses.wait(MeasureMs))
        co_return;
    const bool red = colour == Red;
    const Reply reply = co_await m_link.SendCommandRetry(
        red ? QStringLiteral("get lineADC") : QStringLiteral("get linePWM"), Tries);
    if (!reply.ok())
        co_return;
    const bool present = groupPresent(reply.AnswerText().trimmed(), group);
    QStringList lines = m_results;
    if (red)
        lines.append(present ? QStringLiteral("Ток есть.") : QStringLiteral("Тока нет."));
    else
        lines.append(present ? QStringLiteral("Напряжение есть.")
                             : QStringLiteral("Напряжения нет."));
    setResults(lines);
}

QCoro::Task<void> OutputTest::channelOff(int group, Colour colour)
{
    const Working working(m_working, *this);
    if (!m_link.OpenLink())
        co_return;
    if ((co_await m_link.SendCommandRetry(channelCommand(group, colour, false), Tries)).ok())
        setResults({QStringLiteral("ВЫКЛ!")});
}

void OutputTest::setStatus(const QString &text)
{
    m_status = text;
    emit changed();
}

void OutputTest::setResults(const QStringList &lines)
{
    m_results = lines;
    emit changed();
}
