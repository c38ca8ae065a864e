#pragma once

#include "ui/Prompts.h"

#include <QStringList>

#include <deque>

// Answers the program's questions and file dialogs from queues and records what was asked.
class FakePrompts : public Prompts
{
public:
    struct Asked
    {
        QString caption;
        QString text;
        QMessageBox::StandardButtons buttons;
    };

    FakePrompts() { Prompts::setInstance(this); }
    ~FakePrompts() override { Prompts::setInstance(nullptr); }

    QMessageBox::StandardButton ask(QWidget *, const QString &caption, const QString &text,
                                    QMessageBox::StandardButtons buttons,
                                    QMessageBox::Icon) override
    {
        asked.push_back({caption, text, buttons});
        if (answers.empty())
            return QMessageBox::Ok;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString openFileName(QWidget *, const QString &filter) override
    {
        lastFilter = filter;
        lastStart = Prompts::startPath();
        return takeFile();
    }
    QString saveFileName(QWidget *, const QString &filter, const QString &suffix) override
    {
        lastFilter = filter;
        lastSuffix = suffix;
        lastStart = Prompts::startPath();
        return takeFile();
    }

    std::deque<QMessageBox::StandardButton> answers;
    std::deque<QString> files; // "" answers as a cancelled dialog
    std::vector<Asked> asked;
    QString lastFilter;
    QString lastSuffix;
    QString lastStart; // where the last file dialog was asked to start

private:
    QString takeFile()
    {
        if (files.empty())
            return {};
        QString f = files.front();
        files.pop_front();
        return f;
    }
};
