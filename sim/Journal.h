#pragma once

#include <QByteArray>
#include <QDateTime>

// The controller's event journal, read one record at a time from a position that "event init"
// rewinds. Records are made from their index on demand, so a journal of a hundred thousand
// records, as a controller in service for years holds, costs no memory.
class Journal
{
public:
    static constexpr int DefaultSize = 12;
    static const QByteArray NoMore;

    explicit Journal(int records = DefaultSize);

    [[nodiscard]] int size() const { return m_size; }
    [[nodiscard]] int position() const { return m_position; }
    void rewind() { m_position = 0; }
    void erase();
    // The record at the read position, which then moves on; NoMore past the last one.
    [[nodiscard]] QByteArray next();

    // "DD.MM.YYYY HH:MM:SS text", the text in code page 1251 as the controller sends it.
    [[nodiscard]] static QByteArray record(int index);
    [[nodiscard]] static QDateTime recordTime(int index);

private:
    int m_size;
    int m_position = 0;
};
