#pragma once

#include "link/Questions.h"
#include "service/Pauses.h"

#include <QAbstractTableModel>
#include <QTimer>

#include <qcoro/qcorotask.h>

#include <vector>

class ControllerLink;

// Reads the controller's event journal record by record, in batches of 20 on a 200 ms timer
// so the window stays usable, into a table of number and text. Holds nothing but the records.
class JournalReader : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int BatchSize = 20;
    static constexpr int BatchIntervalMs = 200;
    static constexpr int InitialRows = 10;
    static constexpr int GrowRows = 10;
    static constexpr int GetTries = 4;
    // Rows made ready for the count the controller announces (a long journal has a hundred
    // thousand); beyond them the grid grows as records arrive. A count of two thousand million
    // must not take the memory for as many.
    static constexpr int MaxAnnouncedRows = 1'000'000;
    // A record is a line of some tens of characters; one that is longer keeps its head. The
    // records held together are bounded too: the reading stops there and says so.
    static constexpr int MaxRecordChars = 1000;
    static constexpr qint64 MaxHeldChars = 16'000'000;
    static const QString kFullText;
    static const QString kExportFile;
    static const QString kEndMarker;

    explicit JournalReader(ControllerLink &link, QObject *parent = nullptr);
    ~JournalReader() override;
    void setQuestions(Questions *questions) { m_questions = questions; }

    [[nodiscard]] bool reading() const { return m_reading; }
    // Reading, or still asking the controller how much there is to read.
    [[nodiscard]] bool busy() const { return m_reading || m_starting; }
    [[nodiscard]] int recordCount() const { return m_count; }
    [[nodiscard]] int progress() const { return m_progress; }
    [[nodiscard]] QTimer &timer() { return m_timer; }
    // The pause between batches; tests of very long journals shorten it.
    void setBatchInterval(int ms) { m_timer.setInterval(ms); }
    // The pause between "event init" and "event used" the controller is given; the same tests
    // shorten it.
    void setSettlePause(int ms) { m_settleMs = ms; }
    // Data rows (the grid's heading row not counted).
    [[nodiscard]] int rows() const { return static_cast<int>(m_texts.size()); }
    [[nodiscard]] QString text(int row) const;

    QCoro::Task<void> read();
    // One batch.
    QCoro::Task<void> readBatch();
    // The batch ends after the record being read.
    void stop();
    // "Экспорт" to `path`: every record one line ending in CR LF, written whole or not at all.
    bool exportTo(const QString &path);
    // Asks, erases the journal in the controller and reads it again.
    QCoro::Task<void> erase();

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

signals:
    void progressChanged(int percent);
    void readingChanged(bool reading);
    void statusReported(const QString &text);
    // The link is needed: the state monitor must stop polling.
    void monitorStopRequested();

private:
    void resizeRows(int rows);
    void setRow(int row, bool numbered, const QString &text);
    void finish();
    void showEnd();
    // Stopped before the reading began: says so.
    [[nodiscard]] bool stoppedEarly();
    void setProgress(int percent);

    ControllerLink &m_link;
    Questions *m_questions = nullptr;
    QTimer m_timer;
    std::vector<QString> m_texts;
    int m_numbered = 0; // rows 1..m_numbered show their number
    int m_count = 0;
    qint64 m_expected = 1;
    int m_progress = 0;
    int m_settleMs = 20;
    qint64 m_heldChars = 0;
    bool m_full = false; // the reading ended at MaxHeldChars
    bool m_stop = false;
    bool m_reading = false;
    bool m_inBatch = false;
    bool m_starting = false;
    Pauses m_pauses;
};
