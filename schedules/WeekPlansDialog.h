// Window "Недельные планы".
#pragma once

#include "ui/EditorDialog.h"

#include <array>

class QComboBox;
class QListWidget;

// Week plans dialog "Недельные планы": a day plan for each weekday of the 16 week plans.
class TForm4 : public EditorDialog
{
    Q_OBJECT
public:
    explicit TForm4(RingModel &model, QWidget *parent = nullptr);

    [[nodiscard]] int selectedPlan() const { return m_plan; }

    // Selects a week plan and puts the focus on the selector of one day.
    void showDay(int plan, int day);

    void ListBox1Click(int row);
    void dayComboChange(int day, int index); // ComboBox1 (Sunday) .. ComboBox7 (Saturday)
    void Button3Click();
    void Button4Click();

private:
    void refill() override;

    int m_plan = 0;
    QListWidget *m_plans = nullptr;                // ListBox1
    std::array<QComboBox *, WeekDays> m_days = {}; // ComboBox1..ComboBox7
};
