#pragma once

#include "link/Questions.h"

#include <QObject>

#include <qcoro/qcorotask.h>

#include <optional>

class ControllerLink;

// The controller's information text, and the erasing of its whole flash.
class InfoService : public QObject
{
    Q_OBJECT
public:
    explicit InfoService(ControllerLink &link, QObject *parent = nullptr);
    void setQuestions(Questions *questions) { m_questions = questions; }

    // The information text, if the controller gave one.
    QCoro::Task<std::optional<QString>> readInfo();
    // After the confirmation.
    QCoro::Task<bool> eraseFlash();

signals:
    void statusReported(const QString &text);

private:
    ControllerLink &m_link;
    Questions *m_questions = nullptr;
};
