#include "service/JournalColumns.h"

#include <QRegularExpression>

std::optional<JournalColumns> splitJournalRecord(const QString &record)
{
    static const QRegularExpression stamp(
        QStringLiteral("^(\\d\\d\\.\\d\\d\\.\\d{4}) (\\d\\d:\\d\\d:\\d\\d)(?: (.*))?$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = stamp.match(record);
    if (!match.hasMatch())
        return std::nullopt;
    return JournalColumns{match.captured(1), match.captured(2), match.captured(3)};
}
