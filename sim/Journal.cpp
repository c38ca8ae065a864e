#include "sim/Journal.h"

#include "model/Structures.h"

#include <QStringDecoder>
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
    m_added.reset();
    m_position = 0;
}

QByteArray Journal::next()
{
    if (m_position >= size())
        return NoMore;
    const int index = m_position++;
    return index < m_size ? record(index) : m_added->at(index - m_size);
}

void Journal::append(const QDateTime &time, const QString &text)
{
    if (!m_added)
        m_added = std::make_unique<QList<QByteArray>>();
    m_added->append(line(time, text));
}

QStringList Journal::addedTexts() const
{
    QStringList texts;
    QStringDecoder decoder("windows-1251");
    // Past the stamp "DD.MM.YYYY HH:MM:SS ".
    if (m_added) {
        for (const QByteArray &added : *m_added)
            texts.append(decoder.decode(added.mid(20)));
    }
    return texts;
}

QByteArray Journal::line(const QDateTime &time, const QString &text)
{
    QStringEncoder encoder("windows-1251");
    const QByteArray stamp = time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")).toLatin1();
    return stamp + ' ' + encoder.encode(text);
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
    QString event = QString::fromUtf16(text);
    if (event.contains(QLatin1String("%1")))
        event = event.arg(mix % OutputGroups + 1);
    return line(recordTime(index), event);
}
