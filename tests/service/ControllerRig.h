#pragma once

// The real main window and its "ДК" window with the link pointed at a virtual controller on
// UDP or a pseudo-terminal, for the end-to-end tests of the controller window.
#include "app/MainWindow.h"
#include "app/Windows.h"
#include "link/ProjectTransfer.h"
#include "service/ControllerWindow.h"
#include "sim/SimPtyEndpoint.h"
#include "sim/SimUdpEndpoint.h"
#include "sim/VirtualController.h"
#include "support/FakePrompts.h"
#include "support/ShellActions.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>

namespace {
// Each test program that includes this gives its own port (VELT_RIG_PORT) and controller
// address (VELT_RIG_HOST, the last number of 127.0.0.x), so they can run side by side.
#ifndef VELT_RIG_PORT
#define VELT_RIG_PORT 23991
#define VELT_RIG_HOST 7
#endif
constexpr quint16 kPort = VELT_RIG_PORT;
const QHostAddress kSim(QStringLiteral("127.0.0.%1").arg(VELT_RIG_HOST));
// Nothing listens there: every command of a transfer waits its whole time.
const QString kNobody = QStringLiteral("127.000.000.008");
enum class Wire { Udp, Pty, Nobody };

template <typename T> T *child(QWidget *w, const char *name)
{
    auto *found = w->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Every message box, as "caption|text", in the order shown.
QStringList messages(const FakePrompts &prompts)
{
    QStringList shown;
    for (const auto &a : prompts.asked)
        shown.append(a.caption + QLatin1Char('|') + a.text);
    return shown;
}

// The program with its windows, its link pointed at a virtual controller.
struct Rig
{
    FakePrompts prompts;
    VirtualController controller;
    FaultPlan plan;
    SimUdpEndpoint udp{controller, plan};
    SimPtyEndpoint pty{controller, plan};
    TForm1 main;
    TForm10 *window = nullptr;
    QList<QByteArray> heard; // every command the controller took, in order
    bool ready = false;

    explicit Rig(Wire wire, const FaultOptions &faults = {}, bool oldFirmware = false)
        : controller(oldFirmware), plan(faults)
    {
        createWindows(main);
        const auto record = [this](const QByteArray &command) { heard.append(command); };
        QObject::connect(&udp, &SimEndpoint::commandHandled, &main, record);
        QObject::connect(&pty, &SimEndpoint::commandHandled, &main, record);
        Communic &c = main.communic();
        c.settings().setAddressText(
            wire == Wire::Nobody
                ? kNobody
                : QStringLiteral("127.000.000.%1").arg(VELT_RIG_HOST, 3, 10, QLatin1Char('0')));
        c.settings().udpPort = kPort;
        if (wire == Wire::Udp && !udp.listen(kSim, kPort))
            return;
        if (wire == Wire::Pty) {
            if (!pty.open() || !pty.makeLink(QStringLiteral("./COM7")))
                return;
            c.settings().linkType = 0;
            c.settings().portNumber = 7;
        }
        c.applySettings();
        c.StartTransports();
        window = main.findChild<TForm10 *>();
        ready = window != nullptr;
    }
    ~Rig()
    {
        // Lets the serial port go before the pseudo-terminal does.
        if (window)
            window->hide();
    }

    void open() { trigger(main, "N21"); }
    QPushButton *upload() const { return child<QPushButton>(window, "Button3"); }
    QPushButton *download() const { return child<QPushButton>(window, "Button2"); }
    QString statusLog() const { return child<QPlainTextEdit>(window, "MemoStatus")->toPlainText(); }
    bool idle() const
    {
        return upload()->text() == ProjectTransfer::kUploadCaption &&
               download()->text() == ProjectTransfer::kDownloadCaption && upload()->isEnabled() &&
               download()->isEnabled();
    }
    void save(const QString &path)
    {
        prompts.files.push_back(path);
        trigger(main, "N17");
    }
    int count(const QByteArray &prefix) const
    {
        return int(std::count_if(heard.begin(), heard.end(),
                                 [&](const QByteArray &c) { return c.startsWith(prefix); }));
    }
};

} // namespace
