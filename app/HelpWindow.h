#pragma once

#include <QTextBrowser>

// "Помощь" → "Справка": the user manual installed with the program.
class HelpWindow : public QTextBrowser
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // The installed manual beside the program, or the source tree's for a build run in place;
    // empty when neither is there.
    [[nodiscard]] static QString manualPath();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
