#include "cli/PrometheusText.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cmath>

void PrometheusText::family(const QString &name, const QString &help, const QString &type)
{
    m_text += QStringLiteral("# HELP %1 %2\n# TYPE %1 %3\n").arg(name, escapeHelp(help), type);
}

void PrometheusText::sample(const QString &name, const Labels &labels, double value)
{
    m_text += name;
    if (!labels.isEmpty()) {
        QStringList pairs;
        for (const auto &[label, text] : labels)
            pairs << label + QStringLiteral("=\"") + escapeLabel(text) + QLatin1Char('"');
        m_text += QLatin1Char('{') + pairs.join(QLatin1Char(',')) + QLatin1Char('}');
    }
    QString number;
    if (std::isnan(value))
        number = QStringLiteral("NaN");
    else if (std::isinf(value))
        number = value > 0 ? QStringLiteral("+Inf") : QStringLiteral("-Inf");
    else
        number = QString::number(value, 'g', 15);
    m_text += QLatin1Char(' ') + number + QLatin1Char('\n');
}

QString PrometheusText::escapeLabel(const QString &value)
{
    QString text = escapeHelp(value);
    text.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return text;
}

QString PrometheusText::escapeHelp(const QString &help)
{
    QString text = help;
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    return text;
}

std::optional<QString> PrometheusText::write(const QString &path, const QString &text)
{
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isFile()))
        return QStringLiteral("\"%1\" - не обычный файл; метрики не записаны").arg(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Не удалось записать \"%1\": %2").arg(path, file.errorString());
    file.write(text.toUtf8());
    if (!file.commit())
        return QStringLiteral("Не удалось записать \"%1\": %2").arg(path, file.errorString());
    // The collector runs as another user: the metrics are no secret.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                    QFile::ReadOther);
    return std::nullopt;
}
