#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

// Metrics in the Prometheus text exposition format, for node_exporter's textfile collector:
// each family once with its HELP and TYPE lines, then its samples.
class PrometheusText
{
public:
    using Labels = QList<QPair<QString, QString>>;

    void family(const QString &name, const QString &help,
                const QString &type = QStringLiteral("gauge"));
    void sample(const QString &name, const Labels &labels, double value);

    [[nodiscard]] const QString &text() const { return m_text; }

    // A label value between double quotes: backslash, double quote and line feed escaped.
    [[nodiscard]] static QString escapeLabel(const QString &value);
    // HELP text: backslash and line feed escaped.
    [[nodiscard]] static QString escapeHelp(const QString &help);

    // Replaces `path` at once, so the collector never reads half a file; the temporary file
    // beside it does not end in ".prom" and is not read. An error text, or nothing.
    [[nodiscard]] static std::optional<QString> write(const QString &path, const QString &text);

private:
    QString m_text;
};
