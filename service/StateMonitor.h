#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <qcoro/qcorotask.h>

class ControllerLink;

// What the "Состояние" tab shows, derived from one poll's key=value pairs.
struct MonitorDisplay
{
    QString mode;
    QString program;
    QString singlePhase;
    QString programPhase;
    QString specialProgram;
    QString source;
    QStringList red;
    QStringList yellow;
    QStringList green;
    // The poll's pairs as they came, for views that read more than the panels show.
    QMap<QString, QString> values;

    bool operator==(const MonitorDisplay &) const = default;
};

Q_DECLARE_METATYPE(MonitorDisplay)

// Watches the running controller: while on, polls "get state N" and "get lines" every 400 ms,
// the next poll starting only once the last one has ended.
class StateMonitor : public QObject
{
    Q_OBJECT
public:
    static constexpr int PollIntervalMs = 400;
    static constexpr int MaxTokens = 9;
    static constexpr int MaxChannels = 8;
    // For the status line while the shown values are no longer fresh.
    static const QString kNoAnswerText;
    static const QString kAnswerAgainText;

    using StateMap = QMap<QString, QString>;

    explicit StateMonitor(ControllerLink &link, QObject *parent = nullptr);

    // "Следить" is down.
    [[nodiscard]] bool watching() const { return m_watching; }
    [[nodiscard]] bool polling() const { return m_polling; }
    // The last poll that ended brought fresh values; false while the controller is silent.
    [[nodiscard]] bool answering() const { return m_answering; }
    [[nodiscard]] int ring() const { return m_ring; }
    void setRing(int ring);
    [[nodiscard]] const StateMap &state() const { return m_state; }
    [[nodiscard]] QTimer &timer() { return m_timer; }

    // The button went down: the link is opened and the poll timer runs only if that worked.
    bool start();
    // The button went up, or another feature needs the link: no further poll starts. A poll
    // that waits for an answer ends first.
    void StopMonitor();
    // One poll.
    QCoro::Task<void> poll();

    // Adds the key=value tokens of the first nine space-separated tokens; a later key wins.
    static void ParseAnswer(StateMap &state, const QString &answer);
    [[nodiscard]] static MonitorDisplay describe(const StateMap &state);
    // "1. ВКЛ" / "1. ----" for at most the first eight characters of the value.
    [[nodiscard]] static QStringList channelLines(const QString &value);

signals:
    void watchingChanged(bool watching);
    void refreshed(const MonitorDisplay &display);
    // A poll ended without fresh values after one that had them, or the other way round.
    void answeringChanged(bool answering);

private:
    void setAnswering(bool answering);

    ControllerLink &m_link;
    QTimer m_timer;
    StateMap m_state;
    int m_ring = 1;
    bool m_watching = false;
    bool m_polling = false;
    bool m_answering = true;
    int m_stops = 0; // a stop during a poll ends it after the answer it waits for
};
