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
