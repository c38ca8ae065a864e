#include "service/JournalReader.h"

#include "link/ControllerLink.h"
#include "service/JournalColumns.h"

#include <QSaveFile>
#include <QScopeGuard>

#include <algorithm>

const QString JournalReader::kExportFile = QStringLiteral("jor.txt");
const QString JournalReader::kEndMarker = QStringLiteral("+++NO events");
const QString JournalReader::kFullText =
    QStringLiteral("Чтение остановлено: журнал не помещается в память программы. Всего записей "
                   "прочитано: ");

JournalReader::JournalReader(ControllerLink &link, QObject *parent)
    : QAbstractTableModel(parent), m_link(link)
{
    m_timer.setObjectName(QStringLiteral("Timer2"));
    m_timer.setInterval(BatchIntervalMs);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { readBatch(); });
    m_texts.resize(InitialRows - 1);
}

JournalReader::~JournalReader()
{
    m_pauses.end();
}

QString JournalReader::text(int row) const
{
    return row >= 0 && row < rows() ? m_texts[static_cast<std::size_t>(row)] : QString();
}

void JournalReader::resizeRows(int count)
{
    count = std::max(count, 0);
    if (count == rows())
        return;
    beginResetModel();
    m_texts.resize(static_cast<std::size_t>(count));
    m_texts.shrink_to_fit();
    m_numbered = std::min(m_numbered, count);
    endResetModel();
}

void JournalReader::setRow(int row, bool numbered, const QString &text)
{
    if (row < 0 || row >= rows())
        return;
    if (numbered)
        m_numbered = std::max(m_numbered, row + 1);
    m_texts[static_cast<std::size_t>(row)] = text;
    // Cell by cell: a view repaints all it shows for a range, only the cell for one index.
    emit dataChanged(index(row, 0), index(row, 0));
    emit dataChanged(index(row, 1), index(row, 1));
}

QCoro::Task<void> JournalReader::read()
{
    // A second press while the first still asks for the count would read the journal twice
    // into the same rows.
    if (m_reading || m_starting)
        co_return;
    m_starting = true;
    const auto started = qScopeGuard([this] { m_starting = false; });
    emit monitorStopRequested();
    if (!m_link.OpenLink())
        co_return;
    setProgress(0);
    emit statusReported(QString());
    m_count = 0;
    m_heldChars = 0;
    m_full = false;
    beginResetModel();
    std::fill(m_texts.begin(), m_texts.end(), QString());
    m_numbered = 0;
    endResetModel();
    // A stop (the window closing) before the count arrives means the reading never starts.
    m_stop = false;
    if (!(co_await m_link.SendCommandRetry(QStringLiteral("event init"), 102)).ok() ||
        stoppedEarly())
        co_return;
    if (!co_await m_pauses.wait(m_settleMs) || stoppedEarly())
        co_return;
    const Reply used = co_await m_link.SendCommandRetry(QStringLiteral("event used"), 1);
    if (!used.ok() || stoppedEarly())
        co_return;
    // The UDP payload keeps the answer's line end.
    QString digits = used.AnswerText();
    digits = digits.left(digits.indexOf(QLatin1Char('\n'))).trimmed();
    bool ok = false;
    const int value = digits.toInt(&ok, 10);
    if (!ok || value < 0) {
        emit statusReported(QStringLiteral("Oшибка чтения журнала!!!"));
        co_return;
    }
    resizeRows(std::min(value, MaxAnnouncedRows));
    if (value > 0) {
        m_expected = qint64(value) + 1;
        m_reading = true;
        emit readingChanged(true);
        m_timer.start();
    }
}

QCoro::Task<void> JournalReader::readBatch()
{
    if (!m_reading || m_inBatch)
        co_return;
    m_inBatch = true;
    m_timer.stop();
    emit monitorStopRequested();
    int inBatch = 0;
    while (!m_stop) {
        const Reply reply = co_await m_link.SendCommandRetry(QStringLiteral("event get"), GetTries);
        const int row = m_count; // 0-based data row of this record
        const QString text = keepHead(reply.AnswerText(), MaxRecordChars);
        // A journal longer than announced still keeps every record; the end marker only
        // numbers a row that is already there.
        if (row >= rows() && !(reply.ok() && text.contains(kEndMarker)))
            resizeRows(m_count + GrowRows);
        if (!reply.ok()) {
            setRow(row, true, QStringLiteral("NO events"));
            break;
        }
        if (text.contains(kEndMarker)) {
            setRow(row, true, QString());
            break;
        }
        m_heldChars += text.size();
        if (m_heldChars > MaxHeldChars) {
            m_full = true;
            break;
        }
        setRow(row, true, text);
        ++m_count;
        if (++inBatch == BatchSize) {
            setProgress(int(qint64(m_count) * 100 / m_expected));
            if (m_stop || m_progress >= 100)
                break;
            m_inBatch = false;
            m_timer.start();
            co_return;
        }
    }
    m_inBatch = false;
    finish();
}

void JournalReader::finish()
{
    m_timer.stop();
    setProgress(100);
    m_reading = false;
    emit readingChanged(false);
    showEnd();
}

void JournalReader::showEnd()
{
    if (m_full) {
        emit statusReported(kFullText + QString::number(m_count));
        return;
    }
    emit statusReported((m_stop ? QStringLiteral("Чтение прервано! Всего записей прочитано: ")
                                : QStringLiteral("Журнал прочитан! Всего записей прочитано: ")) +
                        QString::number(m_count));
}

bool JournalReader::stoppedEarly()
{
    if (m_stop)
        showEnd();
    return m_stop;
}

void JournalReader::stop()
{
    m_stop = true;
    // Between two batches nothing else would notice.
    if (m_reading && !m_inBatch)
        finish();
}

bool JournalReader::exportTo(const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        emit statusReported(QStringLiteral("Журнал НЕ записан: ") + file.errorString());
        return false;
    }
    for (const QString &text : m_texts) {
        QString record = withoutLineEnd(text);
        if (record.isEmpty())
            continue;
        record.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        record.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        file.write(ControllerLink::encode(record + QStringLiteral("\r\n")));
    }
    if (!file.commit()) {
        emit statusReported(QStringLiteral("Журнал НЕ записан: ") + file.errorString());
        return false;
    }
    emit statusReported(QStringLiteral("Журнал записан в jor.txt в директории программы!!!"));
    return true;
}

QCoro::Task<void> JournalReader::erase()
{
    if (busy() || !askYes(m_questions, Question::Confirm, QStringLiteral("Стирание"),
                          QStringLiteral("Стирание журнала!!! Продолжить?")))
        co_return;
    if (!m_link.OpenLink())
        co_return;
    // Kept apart from the condition: GCC 12 mishandles a co_await in an if condition whose
    // branch awaits again.
    const Reply erased = co_await m_link.SendCommandRetry(QStringLiteral("event erase"), 2);
    if (erased.ok()) {
        emit statusReported(QStringLiteral("Очистка - ОК!"));
        co_await read();
    } else {
        emit statusReported(QStringLiteral("ОШИБКА!!"));
    }
}

void JournalReader::setProgress(int percent)
{
    m_progress = percent;
    emit progressChanged(percent);
}

int JournalReader::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows();
}

int JournalReader::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant JournalReader::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    if (index.column() == 0)
        return index.row() < m_numbered ? QVariant(index.row() + 1) : QVariant();
    // The UDP payload keeps the record's line end; the grid shows the line alone.
    const QString line = withoutLineEnd(text(index.row()));
    if (const auto columns = splitJournalRecord(line)) {
        const QString *const shown[] = {&columns->date, &columns->time, &columns->event};
        return *shown[index.column() - 1];
    }
    // A record without its stamp is all event; the date and time columns stay empty.
    return index.column() == 3 ? QVariant(line) : QVariant();
}

QVariant JournalReader::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    static const char *const headings[] = {"№", "Дата", "Время", "Событие"};
    return section >= 0 && section < 4 ? QString::fromUtf8(headings[section]) : QVariant();
}
