#pragma once

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QStringList>

#include <optional>

// Wire faults of the virtual controller, switched on from its command line.
struct FaultOptions
{
    double dropShare = 0.0;        // share of answers never sent, 0..1
    bool noLineEnd = false;        // answers lose their final LF
    int chunkSize = 0;             // answers go out in pieces of this many bytes (0: whole)
    int delayMs = 0;               // before an answer (and between its pieces)
    double corruptHexShare = 0.0;  // read answers with one payload hex digit changed
    double wrongLengthShare = 0.0; // read answers one byte short or long
    double duplicateShare = 0.0;   // answers sent once more, late
    int hangupAfter = 0;           // serial commands before the device goes away (0: never)
    quint32 seed = 1;
};

// Reads "--drop 0.3 --no-lf --chunk 4 --delay 50 --corrupt-hex 0.1 --wrong-length 0.1
// --duplicate 0.1 --hangup-after 20 --seed 7"; an error text on a bad switch.
[[nodiscard]] std::optional<QString> parseFaultOption(FaultOptions &options,
                                                      const QStringList &args, int &i);

// Decides, answer by answer, what reaches the wire.
class FaultPlan
{
public:
    // Only answers carrying flash contents are corrupted or cut: those are the ones whose
    // payload the configurator checks.
    enum class Answer { Plain, FlashRead };
    static constexpr int MinDuplicateMs = 30;
    static constexpr int MaxDuplicateMs = 80;

    explicit FaultPlan(const FaultOptions &options = {});

    [[nodiscard]] const FaultOptions &options() const { return m_options; }
    // The pieces to send for one answer, in order; empty when the answer is dropped.
    [[nodiscard]] QList<QByteArray> shape(const QByteArray &answer, Answer kind = Answer::Plain);
    // After an answer that was sent: how much later its copy follows, if it does.
    [[nodiscard]] std::optional<int> duplicateDelayMs();

private:
    [[nodiscard]] bool happens(double share);
    void corruptHexDigit(QByteArray &answer);
    void changeLength(QByteArray &answer);

    FaultOptions m_options;
    QRandomGenerator m_random;
};
