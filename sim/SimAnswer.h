#pragma once

#include <QByteArray>

// The two shapes of an answer on the wire, shared by the interpreter's command groups.
namespace SimAnswer {
inline QByteArray positive(const QByteArray &payload)
{
    return QByteArrayLiteral("SUCCESS:") + payload + '\n';
}

// The configurator only looks for the marker, so the text is for a person at the console.
inline QByteArray refused(const QByteArray &what)
{
    return QByteArrayLiteral("ERROR: ") + what + '\n';
}
} // namespace SimAnswer
