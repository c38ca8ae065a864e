// Window "ДК".
#pragma once

#include <QWidget>

class QLineEdit;
class QPushButton;
class QVBoxLayout;

// The controller window "ДК". Its tabs for state, test, journal, clock and transfer sit above
// the status line at the bottom, where features leave short results next to "ОК".
class TForm10 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm10(QWidget *parent = nullptr);

    [[nodiscard]] QString statusText() const;
    void setStatusText(const QString &text);
    // Where the tabs go, above the status line.
    [[nodiscard]] QVBoxLayout *body() const { return m_body; }

public slots:
    void ButtonOKClick();

private:
    QVBoxLayout *m_body = nullptr;
    QLineEdit *m_status = nullptr;
};
