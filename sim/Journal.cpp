#include "sim/Journal.h"

#include "model/Structures.h"

#include <QStringEncoder>

#include <array>

namespace {
// Far enough apart that the jitter below never reorders two records.
constexpr qint64 kSpacingSeconds = 11 * 60;
constexpr std::uint32_t kJitterSeconds = 60;

// %1 takes a number drawn from the record's index: a group, a program or a phase.
constexpr std::array kTexts{
    u"Включение питания",
    u"Переход на программу %1",
    u"Жёлтое мигание",
    u"Перегорание лампы: группа %1, красный",
    u"Открыта дверь шкафа",
    u"Синхронизация времени по GPS",
    u"Вход в режим тестирования",
    u"Выход из режима тестирования",
    u"Конфликт зелёных, группа %1",
    u"Отключение питания",
    u"Ручное управление, фаза %1",
    u"Связь с центром восстановлена",
};

// A cheap mix of the index so that neighbouring records differ.
std::uint32_t scramble(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}
} // namespace

const QByteArray Journal::NoMore = QByteArrayLiteral("+++NO events");

Journal::Journal(int records) : m_size(qMax(0, records)) {}

void Journal::erase()
{
    m_size = 0;
    m_position = 0;
}

QByteArray Journal::next()
{
    if (m_position >= m_size)
        return NoMore;
    return record(m_position++);
}

QDateTime Journal::recordTime(int index)
{
    const auto jitter = scramble(std::uint32_t(index)) % kJitterSeconds;
    const QDateTime first(QDate(2024, 3, 1), QTime(6, 0, 0), Qt::UTC);
    return first.addSecs(qint64(index) * kSpacingSeconds + jitter);
}

QByteArray Journal::record(int index)
{
    const std::uint32_t mix = scramble(std::uint32_t(index) + 0x9e3779b9U);
    // The first record is the power-up that started the journal.
    const auto *text = index == 0 ? kTexts[0] : kTexts[(mix >> 8) % kTexts.size()];
    QString line = QString::fromUtf16(text);
    if (line.contains(QLatin1String("%1")))
        line = line.arg(mix % OutputGroups + 1);
    QStringEncoder encoder("windows-1251");
    const QByteArray stamp =
        recordTime(index).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")).toLatin1();
    return stamp + ' ' + encoder.encode(line);
}
