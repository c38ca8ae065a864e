#pragma once

#include <QString>

#include <optional>

// A journal record that starts with its date and time ("31.12.2026 23:59:58 text") shown in
// the grid's own date, time and event columns. The record itself is kept and exported as it
// came; any other record stays whole in the first text column.
struct JournalColumns
{
    QString date;
    QString time;
    QString event;
};

[[nodiscard]] std::optional<JournalColumns> splitJournalRecord(const QString &record);
