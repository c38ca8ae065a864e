#include "link/Reply.h"

#include "link/ControllerLink.h"

QString Reply::AnswerText() const
{
    return ControllerLink::decode(payload);
}

QString withoutLineEnd(QString text)
{
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

QString keepHead(const QString &text, qsizetype max)
{
    if (text.size() <= max)
        return text;
    return text.left(max) + QStringLiteral(" …[обрезано, всего символов: %1]").arg(text.size());
}
