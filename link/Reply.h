#pragma once

#include <QByteArray>
#include <QString>

// The result of one command to the controller: how the exchange ended and what came back.
// Each command gets its own, so no caller has to read an answer back from the link afterwards.
struct Reply
{
    enum class Status {
        Answered,    // a positive answer ("SUCCESS:") arrived
        NoAnswer,    // the wait ran out, or only answers without the marker came
        PortClosed,  // the serial port was closed or went away
        WriteFailed, // the command could not be put on the wire
    };

    Status status = Status::NoAnswer;
    // After a positive answer the payload that follows the marker; otherwise the last text
    // received for the command, if any (code page 1251 bytes).
    QByteArray payload;

    [[nodiscard]] bool ok() const { return status == Status::Answered; }
    // The command reached the wire, answered or not.
    [[nodiscard]] bool sent() const
    {
        return status == Status::Answered || status == Status::NoAnswer;
    }
    explicit operator bool() const { return ok(); }
    // The payload as text.
    [[nodiscard]] QString AnswerText() const;
};

// The text without the CR and LF that end it: a UDP payload keeps its answer's line end.
[[nodiscard]] QString withoutLineEnd(QString text);
// A text from the wire kept to its first `max` characters, the cut marked with the length it
// had; shorter texts stay as they are.
[[nodiscard]] QString keepHead(const QString &text, qsizetype max);
