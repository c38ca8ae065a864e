#include "cli/FleetList.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

bool FleetList::isName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.size() > 100)
        return false;
    return std::all_of(name.cbegin(), name.cend(), [](QChar c) {
        return c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ||
               c == QLatin1Char('.');
    });
}

QString FleetList::shown(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // C0, DEL and C1 reach a terminal as its commands; so do the marks that turn text
        // around (bidirectional controls), which are formatting characters.
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) {
            out += u < 0x100 ? QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'))
                             : QStringLiteral("\\u{%1}").arg(u, 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

FleetList FleetList::parse(const QString &text)
{
    FleetList list;
    static const QRegularExpression space(QStringLiteral("\\s+"));
    // Looked up, not searched: a long list is checked in time linear in its length.
    QHash<QString, int> names;
    QHash<quint64, qsizetype> addresses; // index in the list
    const auto addressKey = [](const ControllerAddress &a) {
        return (quint64(a.address.toIPv4Address()) << 16) | a.port;
    };
    const auto add = [&list](const QString &error) {
        if (list.errors.size() < MaxErrors)
            list.errors << error;
    };
    int n = 0;
    for (qsizetype from = 0; from <= text.size(); ++n) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), from);
        if (end < 0)
            end = text.size();
        const QStringView whole = QStringView(text).mid(from, end - from);
        from = end + 1;
        const QString where = QStringLiteral("строка %1: ").arg(n + 1);
        if (whole.size() > MaxLineChars) {
            add(where + QStringLiteral("длиннее %1 символов").arg(MaxLineChars));
            continue;
        }
        QString line = whole.toString();
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList fields = line.split(space, Qt::SkipEmptyParts);
        if (fields.isEmpty())
            continue;
        if (fields.size() != 2) {
            add(where + QStringLiteral("нужно \"имя адрес[:порт]\", а не \"%1\"")
                            .arg(shown(line.trimmed())));
            continue;
        }
        if (!isName(fields[0])) {
            add(where + QStringLiteral("имя \"%1\" не годится для имени файла "
                                       "(буквы, цифры, '-', '_', '.')")
                            .arg(shown(fields[0])));
            continue;
        }
        const auto address = ControllerAddress::parse(fields[1]);
        if (!address) {
            add(where + QStringLiteral("неверный адрес \"%1\"").arg(shown(fields[1])));
            continue;
        }
        if (const auto same = names.constFind(fields[0]); same != names.cend()) {
            add(where +
                QStringLiteral("имя \"%1\" уже есть в строке %2").arg(fields[0]).arg(*same));
            continue;
        }
        if (const auto same = addresses.constFind(addressKey(*address)); same != addresses.cend()) {
            const Controller &other = list.controllers[*same];
            add(where + QStringLiteral("адрес %1 уже есть в строке %2 (%3)")
                            .arg(address->text())
                            .arg(other.line)
                            .arg(other.name));
            continue;
        }
        if (list.controllers.size() >= MaxControllers) {
            add(QStringLiteral("в списке больше %1 ДК").arg(MaxControllers));
            break;
        }
        addresses.insert(addressKey(*address), list.controllers.size());
        list.controllers.append({fields[0], *address, n + 1});
        names.insert(fields[0], n + 1);
    }
    if (list.errors.isEmpty() && list.controllers.isEmpty())
        list.errors << QStringLiteral("в списке нет ни одного ДК");
    return list;
}

FleetList FleetList::load(const QString &path)
{
    FleetList list;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        list.errors << QStringLiteral("Не удалось открыть список \"%1\": %2")
                           .arg(shown(path), file.errorString());
        return list;
    }
    const QByteArray bytes = file.read(MaxBytes + 1);
    if (bytes.size() > MaxBytes) {
        list.errors
            << QStringLiteral("Список \"%1\" длиннее %2 байт").arg(shown(path)).arg(MaxBytes);
        return list;
    }
    return parse(QString::fromUtf8(bytes));
}
