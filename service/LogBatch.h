#pragma once

#include <QStringList>

class QPlainTextEdit;

// Lines for a read-only log, gathered and laid out together when flushed: one layout per line
// would let a busy link (a transfer, a long journal) spend its time in the log's text layout
// rather than on the wire.
// Every line reaches the view, in order; only what the view's maximumBlockCount would scroll
// away at once is never laid out.
class LogBatch
{
public:
    explicit LogBatch(QPlainTextEdit &view) : m_view(view) {}

    void append(const QString &line);
    // Empties the view, and drops the lines it has not shown yet along with the rest.
    void clear();
    void flush();

private:
    // Drops the oldest lines of the view until `room` more fit within its bound.
    void makeRoom(int room);

    QPlainTextEdit &m_view;
    QStringList m_pending;
};
