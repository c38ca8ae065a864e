#pragma once

#include "service/Pauses.h"

#include <QObject>
#include <QStringList>

#include <qcoro/qcorotask.h>

class ControllerLink;

// Test mode of the controller's outputs: switching single channels by hand and asking whether
// current (red) or voltage (green) follows.
class OutputTest : public QObject
{
    Q_OBJECT
public:
    static constexpr int Tries = 5;
    static constexpr int SettleMs = 100;
    static constexpr int MeasureMs = 1000;
    static constexpr int Groups = 8;
    enum Colour { Red, Yellow, Green };

    OutputTest(ControllerLink &link, QObject *parent = nullptr);
    // A channel being measured is given up: nothing is sent after the window goes.
    ~OutputTest() override;

    [[nodiscard]] bool testMode() const { return m_testMode; }
    // "ТЕСТ режим", "НЕТ", or empty before the first answer.
    [[nodiscard]] const QString &statusText() const { return m_status; }
    [[nodiscard]] const QStringList &results() const { return m_results; }
    [[nodiscard]] bool working() const { return m_working > 0; }

    // "set test on" / "set test off"; "set test off" opens the link first, so a closed serial
    // port cannot swallow it.
    QCoro::Task<void> testOn();
    QCoro::Task<void> testOff();
    // Group 1..8. Switching on works only in test mode; off works always.
    QCoro::Task<void> channelOn(int group, Colour colour);
    QCoro::Task<void> channelOff(int group, Colour colour);

    [[nodiscard]] static QString channelCommand(int group, Colour colour, bool on);
    // Whether the group's token of a "get lineADC" / "get linePWM" payload says present.
    [[nodiscard]] static bool groupPresent(const QString &payload, int group);

signals:
    void changed();
    // The link is needed: the state monitor must stop polling.
    void monitorStopRequested();

private:
    void setStatus(const QString &text);
    void setResults(const QStringList &lines);

    ControllerLink &m_link;
    bool m_testMode = false;
    QString m_status;
    QStringList m_results;
    int m_working = 0;
    Pauses m_pauses;
};
