#include "service/LogBatch.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

void LogBatch::append(const QString &line)
{
    m_pending.append(line);
    // What a flood sends past the bound before it is shown would scroll away unseen; trimmed
    // in halves, so that the list is not moved for every line.
    const int keep = m_view.maximumBlockCount();
    if (keep > 0 && m_pending.size() > 2 * keep)
        m_pending.remove(0, m_pending.size() - keep);
}

void LogBatch::clear()
{
    m_pending.clear();
    m_view.clear();
}

void LogBatch::flush()
{
    if (m_pending.isEmpty())
        return;
    const int keep = m_view.maximumBlockCount();
    if (keep > 0) {
        if (m_pending.size() > keep)
            m_pending.remove(0, m_pending.size() - keep);
        makeRoom(keep - int(m_pending.size()));
    }
    m_view.appendPlainText(m_pending.join(QLatin1Char('\n')));
    m_pending.clear();
}

void LogBatch::makeRoom(int room)
{
    // The document's own bound would drop the oldest lines by walking over them, laying out
    // each on the way out; cutting them as one selection lays out none.
    QTextDocument &document = *m_view.document();
    const int lines = document.isEmpty() ? 0 : document.blockCount();
    const int over = lines - room;
    if (over <= 0)
        return;
    if (over >= lines) {
        m_view.clear();
        return;
    }
    QTextCursor cursor(&document);
    cursor.setPosition(document.findBlockByNumber(over).position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}
