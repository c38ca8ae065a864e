#pragma once

#include <QObject>

#include <functional>

class DirectionPanel;
class PhaseEditPanel;
class ProgramView;
class QLabel;
class QScrollArea;
class QToolButton;
class RingModel;

// The controls of the main window's program toolbar that the program editor drives.
struct ProgramControls
{
    QWidget *form = nullptr;            // the window holding them; owns the editor
    QToolButton *addPhase = nullptr;    // BitBtn1
    QToolButton *removePhase = nullptr; // BitBtn2
    QToolButton *zoomIn = nullptr;      // BitBtn3
    QToolButton *zoomOut = nullptr;     // BitBtn4
    QLabel *cycle = nullptr;            // Panel3
    QLabel *phaseNumber = nullptr;      // Panel5
    QLabel *phaseType = nullptr;        // Panel6
};

// The main window's program editor: puts the program view into ScrollBox1 and handles the
// program toolbar, the edit panels and the phase read-outs. `windowRefresh` is the window's
// program display refresh, whose share of the work is displayRefresh().
class ProgramEditor : public QObject
{
    Q_OBJECT
public:
    ProgramEditor(RingModel &model, const ProgramControls &controls, QScrollArea *scrollBox,
                  std::function<void()> windowRefresh);

    // Shows the current program, its cycle length and the phase read-outs.
    void displayRefresh();

    [[nodiscard]] ProgramView *view() const { return m_view; }
    [[nodiscard]] PhaseEditPanel *editPanel() const { return m_edit; }
    [[nodiscard]] DirectionPanel *directionPanel() const { return m_direction; }

public slots:
    void BitBtn1Click(); // "+"
    void BitBtn2Click(); // "-"
    void BitBtn3Click(); // zoom in
    void BitBtn4Click(); // zoom out
    void Button2Click(); // PanelEdit "OK"
    void Button3Click(); // PanelEdit "Отмена"
    void Button4Click(); // PanelNapr "ОК"
    void Button5Click(); // PanelNapr "Отмена"
    void BarClick(int phase, int direction, int slot);
    void DirectionLabelClick(int direction);
    void PhasePanelClick(int phase);
    void statusRefresh();
    // Makes `phase` of the displayed program current and opens the edit panel on it.
    void openPhase(int phase);

private:
    void hidePanels();
    // Marks the project modified and refreshes the window when the block changed; a change
    // that did not happen only refreshes.
    void finishEdit(bool changed, const QString &step);

    RingModel &m_model;
    std::function<void()> m_windowRefresh;
    QScrollArea *m_scrollBox = nullptr;
    ProgramView *m_view = nullptr;
    PhaseEditPanel *m_edit = nullptr;
    DirectionPanel *m_direction = nullptr;
    ProgramControls m_controls;
    int m_shownProgram = -1;
};
