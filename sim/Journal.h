#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>

#include <memory>

// The controller's event journal, read one record at a time from a position that "event init"
// rewinds. The history it starts with is made from each record's index on demand, so a journal
// of a hundred thousand records, as a controller in service for years holds, costs no memory;
// what happens while the virtual controller runs is added after it.
class Journal
{
public:
    static constexpr int DefaultSize = 12;
    static const QByteArray NoMore;

    explicit Journal(int records = DefaultSize);

    [[nodiscard]] int size() const { return m_size + (m_added ? int(m_added->size()) : 0); }
    [[nodiscard]] int position() const { return m_position; }
    void rewind() { m_position = 0; }
    void erase();
    // The record at the read position, which then moves on; NoMore past the last one.
    [[nodiscard]] QByteArray next();
    // An event of the running controller, at its own clock's time.
    void append(const QDateTime &time, const QString &text);
    // The texts of the events added since the start or the last erase, for tests.
    [[nodiscard]] QStringList addedTexts() const;

    // "DD.MM.YYYY HH:MM:SS text", the text in code page 1251 as the controller sends it.
    [[nodiscard]] static QByteArray record(int index);
    [[nodiscard]] static QDateTime recordTime(int index);
    [[nodiscard]] static QByteArray line(const QDateTime &time, const QString &text);

private:
    int m_size;
    int m_position = 0;
    // Made with the first event, so a journal that only holds its history stays this small.
    std::unique_ptr<QList<QByteArray>> m_added;
};
