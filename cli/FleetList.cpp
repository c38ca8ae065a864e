#include "cli/FleetList.h"

#include <QFile>
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

FleetList FleetList::parse(const QString &text)
{
    FleetList list;
    static const QRegularExpression space(QStringLiteral("\\s+"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QString line = lines[n];
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList fields = line.split(space, Qt::SkipEmptyParts);
        if (fields.isEmpty())
            continue;
        const QString where = QStringLiteral("строка %1: ").arg(n + 1);
        if (fields.size() != 2) {
            list.errors << where + QStringLiteral("нужно \"имя адрес[:порт]\", а не \"%1\"")
                                       .arg(line.trimmed());
            continue;
        }
        if (!isName(fields[0])) {
            list.errors << where + QStringLiteral("имя \"%1\" не годится для имени файла "
                                                  "(буквы, цифры, '-', '_', '.')")
                                       .arg(fields[0]);
            continue;
        }
        const auto address = ControllerAddress::parse(fields[1]);
        if (!address) {
            list.errors << where + QStringLiteral("неверный адрес \"%1\"").arg(fields[1]);
            continue;
        }
        const auto same = std::find_if(
            list.controllers.cbegin(), list.controllers.cend(), [&](const Controller &other) {
                return other.name == fields[0] || other.address == *address;
            });
        if (same != list.controllers.cend()) {
            list.errors << where + (same->name == fields[0]
                                        ? QStringLiteral("имя \"%1\" уже есть в строке %2")
                                              .arg(fields[0])
                                              .arg(same->line)
                                        : QStringLiteral("адрес %1 уже есть в строке %2 (%3)")
                                              .arg(address->text())
                                              .arg(same->line)
                                              .arg(same->name));
            continue;
        }
        list.controllers.append({fields[0], *address, n + 1});
    }
    if (list.errors.isEmpty() && list.controllers.isEmpty())
        list.errors << QStringLiteral("в списке нет ни одного ДК");
    return list;
}

FleetList FleetList::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FleetList list;
        list.errors
            << QStringLiteral("Не удалось открыть список \"%1\": %2").arg(path, file.errorString());
        return list;
    }
    return parse(QString::fromUtf8(file.readAll()));
}
