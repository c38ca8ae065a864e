#pragma once

#include <QString>
#include <QTextStream>

#include <cstdio>
#include <unistd.h>

// A line that shows how far a run is, redrawn in place; only on a terminal, so a log or a
// pipe gets the results alone.
class ProgressLine
{
public:
    explicit ProgressLine(QTextStream &err) : m_err(err), m_shown(::isatty(STDERR_FILENO) != 0) {}
    ~ProgressLine() { clear(); }

    [[nodiscard]] bool enabled() const { return m_shown; }
    void show(const QString &text)
    {
        if (!m_shown || text == m_last)
            return;
        m_last = text;
        m_err << "\r\033[K" << text;
        m_err.flush();
    }
    // Before a result line goes out, so that the two do not share a line.
    void clear()
    {
        if (!m_shown || m_last.isEmpty())
            return;
        m_last.clear();
        m_err << "\r\033[K";
        m_err.flush();
    }

private:
    QTextStream &m_err;
    bool m_shown;
    QString m_last;
};
