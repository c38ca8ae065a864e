#pragma once

#include "programs/ProgramOps.h"

#include <QFrame>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// PanelEdit: the floating panel that edits one phase and the additions of one direction.
// It only shows values and hands back what was typed; the rules live in Progutil.
class PhaseEditPanel : public QFrame
{
    Q_OBJECT
public:
    explicit PhaseEditPanel(QWidget *parent = nullptr);

    // Fills the controls for phase `phase` seen from direction `direction`.
    void fill(int phase, int direction, const Progutil::PhaseValues &values, bool typeSelectable,
              bool additionsEditable);
    [[nodiscard]] Progutil::PhaseEditInput input() const;
    [[nodiscard]] int phase() const { return m_phase; }
    [[nodiscard]] int direction() const { return m_direction; }

    [[nodiscard]] QPushButton *okButton() const { return m_ok; }
    [[nodiscard]] QPushButton *cancelButton() const { return m_cancel; }

public slots:
    void ComboBox1Change(int index);

protected:
    // Dragging the panel by its background.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QLabel *m_phaseNumber = nullptr;     // PanelFazaNum
    QLabel *m_directionNumber = nullptr; // PanelNaprNum
    QComboBox *m_template = nullptr;     // ComboBoxNumFaza
    QLineEdit *m_mainTime = nullptr;     // Edit1
    QComboBox *m_type = nullptr;         // ComboBox1
    QLineEdit *m_minTime = nullptr;      // Edit4
    QLineEdit *m_earlyGreen = nullptr;   // Edit2
    QLineEdit *m_extension = nullptr;    // Edit3
    QLineEdit *m_extraRed = nullptr;     // Edit6
    QWidget *m_calls = nullptr;          // Panel7
    QComboBox *m_call1 = nullptr;        // ComboBox4
    QComboBox *m_call2 = nullptr;        // ComboBox5
    QTabWidget *m_pages = nullptr;
    QPushButton *m_ok = nullptr;     // Button2
    QPushButton *m_cancel = nullptr; // Button3
    int m_phase = 0;
    int m_direction = 0;
    bool m_dragging = false;
    QPoint m_dragStart;
};
