#pragma once

#include <QFrame>

class QComboBox;
class QLabel;
class QPushButton;

// PanelNapr: shows the type of a direction whose row label was clicked. The type is chosen in
// the directions window; here the selector only shows it.
class DirectionPanel : public QFrame
{
    Q_OBJECT
public:
    explicit DirectionPanel(QWidget *parent = nullptr);

    void fill(int direction, int type);
    [[nodiscard]] int direction() const { return m_direction; }
    // The selector's item, or -1 when the stored type is none of the known ones.
    [[nodiscard]] int selectedType() const;

    [[nodiscard]] QPushButton *okButton() const { return m_ok; }
    [[nodiscard]] QPushButton *cancelButton() const { return m_cancel; }

private:
    QLabel *m_number = nullptr;      // PanelNaprNumber
    QComboBox *m_type = nullptr;     // ComboBoxNapr
    QPushButton *m_ok = nullptr;     // Button4
    QPushButton *m_cancel = nullptr; // Button5
    int m_direction = 0;
};
