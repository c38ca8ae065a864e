// Window "Недельные планы".
#pragma once

#include "model/DialogCopy.h"

#include <QDialog>

#include <array>

class QComboBox;
class QListWidget;

// Week plans dialog "Недельные планы": a day plan for each weekday of the 16 week plans.
class TForm4 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm4(RingModel &model, QWidget *parent = nullptr);

    // Takes a fresh copy of the ring's block and shows the remembered week plan.
    void openDialog();

    [[nodiscard]] const ProjectBlock &dialogCopy() const { return m_copy.block(); }
    [[nodiscard]] int selectedPlan() const { return m_plan; }

    void ListBox1Click(int row);
    void DayComboChange(int day, int index); // ComboBox1 (Sunday) .. ComboBox7 (Saturday)
    void Button3Click();
    void Button4Click();

private:
    void loadSelectors();

    DialogCopy m_copy;
    int m_plan = 0;
    QListWidget *m_plans = nullptr;                // ListBox1
    std::array<QComboBox *, WeekDays> m_days = {}; // ComboBox1..ComboBox7
};
