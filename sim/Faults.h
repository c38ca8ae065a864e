#pragma once

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QStringList>

#include <optional>

// Wire faults of the virtual controller, switched on from its command line.
struct FaultOptions
{
    double dropShare = 0.0; // share of answers never sent, 0..1
    bool noLineEnd = false; // answers lose their final LF
    int chunkSize = 0;      // answers go out in pieces of this many bytes (0: whole)
    int delayMs = 0;        // before an answer (and between its pieces)
    quint32 seed = 1;
};

// Reads "--drop 0.3 --no-lf --chunk 4 --delay 50 --seed 7"; an error text on a bad switch.
[[nodiscard]] std::optional<QString> parseFaultOption(FaultOptions &options,
                                                      const QStringList &args, int &i);

// Decides, answer by answer, what reaches the wire.
class FaultPlan
{
public:
    explicit FaultPlan(const FaultOptions &options = {});

    [[nodiscard]] const FaultOptions &options() const { return m_options; }
    // The pieces to send for one answer, in order; empty when the answer is dropped.
    [[nodiscard]] QList<QByteArray> shape(const QByteArray &answer);

private:
    FaultOptions m_options;
    QRandomGenerator m_random;
};
