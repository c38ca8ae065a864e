#include "config/Safety.h"

#include "model/ByteIO.h"

#include <QRegularExpression>

#include <algorithm>
#include <limits>

namespace PL = ProjectLayout;

namespace Guard {

namespace {

struct FieldLayout
{
    std::size_t offset;
    int maximum;
};

FieldLayout layoutOf(Field field)
{
    switch (field) {
    case Field::MinRed:
        return {PL::MinRed, ByteFieldMax};
    case Field::Yellow:
        return {PL::Yellow, ByteFieldMax};
    case Field::RedYellow:
        return {PL::RedYellow, ByteFieldMax};
    case Field::GreenBlink:
        return {PL::GreenBlink, ByteFieldMax};
    case Field::MinGreen:
        return {PL::MinGreen, ByteFieldMax};
    case Field::MaxPhaseDuration:
        return {PL::MaxPhaseDuration, WordFieldMax};
    case Field::AllRedDuration:
        return {PL::AllRedDuration, ByteFieldMax};
    case Field::RestartInterval:
        return {PL::RestartInterval, ByteFieldMax};
    case Field::RestartAttempts:
        return {PL::RestartAttempts, ByteFieldMax};
    case Field::FailureClearMinutes:
        return {PL::FailureClearMinutes, ByteFieldMax};
    }
    return {PL::MinRed, ByteFieldMax};
}

bool offDiagonal(int i, int j)
{
    return i != j && i >= 0 && j >= 0 && i < MaxDirections && j < MaxDirections;
}

} // namespace

bool conflictFlag(const ProjectBlock &block, int i, int j)
{
    return block[conflictFlagOffset(i, j)] != 0;
}

void toggleConflictFlag(ProjectBlock &block, int i, int j)
{
    if (!offDiagonal(i, j))
        return;
    std::uint8_t &flag = block[conflictFlagOffset(i, j)];
    flag = flag == 0 ? 1 : 0;
}

QString conflictTimeText(const ProjectBlock &block, int i, int j)
{
    if (!conflictFlag(block, i, j))
        return {};
    return QString::number(block[conflictTimeOffset(i, j)]);
}

int fieldValue(const ProjectBlock &block, Field field)
{
    const FieldLayout s = layoutOf(field);
    return s.maximum > ByteFieldMax ? readU16(block, s.offset) : block[s.offset];
}

int fieldMaximum(Field field)
{
    return layoutOf(field).maximum;
}

bool applyField(ProjectBlock &block, Field field, const QString &text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    const FieldLayout s = layoutOf(field);
    if (!ok || value < 0 || value > s.maximum)
        return false;
    if (s.maximum > ByteFieldMax)
        writeU16(block, s.offset, static_cast<std::uint16_t>(value));
    else
        block[s.offset] = static_cast<std::uint8_t>(value);
    return true;
}

int fillMode(const ProjectBlock &block)
{
    return block[PL::FillMode];
}

void setFillMode(ProjectBlock &block, int mode)
{
    block[PL::FillMode] = mode == 1 ? 1 : 0;
}

bool applyConflictTime(ProjectBlock &block, int i, int j, const QString &text)
{
    if (!offDiagonal(i, j) || !conflictFlag(block, i, j))
        return false;
    const QString digits = text.trimmed();
    bool ok = false;
    qulonglong value = digits.toULongLong(&ok, 10);
    if (!ok) {
        // A run of digits too long for any integer is still a number above 255.
        static const QRegularExpression allDigits(QStringLiteral("^\\+?[0-9]+$"));
        if (!allDigits.match(digits).hasMatch())
            return false;
        value = std::numeric_limits<qulonglong>::max();
    }
    block[conflictTimeOffset(i, j)] =
        static_cast<std::uint8_t>(std::min<qulonglong>(value, ByteFieldMax));
    return true;
}

void applyConflictTimes(ProjectBlock &block, int n, const std::function<QString(int, int)> &text)
{
    n = std::min(n, MaxDirections);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j && conflictFlag(block, i, j))
                applyConflictTime(block, i, j, text(i, j));
}

} // namespace Guard
