#pragma once

#include "ui/Prompts.h"

#include <QRandomGenerator>
#include <QStringList>

#include <functional>

// Answers every question of the program with one of the buttons it offers, picked at random,
// and every file dialog with a file the walk chooses (or a cancel).
class MonkeyPrompts : public Prompts
{
public:
    explicit MonkeyPrompts(QRandomGenerator &random) : m_random(random)
    {
        Prompts::setInstance(this);
    }
    ~MonkeyPrompts() override { Prompts::setInstance(nullptr); }

    QMessageBox::StandardButton ask(QWidget *, const QString &, const QString &text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::Icon) override
    {
        ++asked;
        // The box of an error that escaped a handler: a fault, whatever the user answers.
        if (text.startsWith(QStringLiteral("Произошла ошибка")))
            escaped.append(text);
        QList<QMessageBox::StandardButton> offered;
        for (int bit = 0; bit < 32; ++bit) {
            const auto button = QMessageBox::StandardButton(1u << bit);
            if (buttons.testFlag(button))
                offered.append(button);
        }
        if (offered.isEmpty())
            return QMessageBox::Ok;
        return offered[m_random.bounded(int(offered.size()))];
    }
    QString openFileName(QWidget *, const QString &) override { return chooseOpen(); }
    QString saveFileName(QWidget *, const QString &, const QString &) override
    {
        return chooseSave();
    }

    // The next answers; empty means the dialog is cancelled.
    std::function<QString()> chooseOpen = [] { return QString(); };
    std::function<QString()> chooseSave = [] { return QString(); };
    int asked = 0;
    QStringList escaped;

private:
    QRandomGenerator &m_random;
};
