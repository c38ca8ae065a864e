#include "link/Reply.h"

#include "link/ControllerLink.h"

QString Reply::AnswerText() const
{
    return ControllerLink::decode(payload);
}
