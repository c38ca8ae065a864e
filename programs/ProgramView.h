#pragma once

#include "model/RingModel.h"
#include "programs/DiagramLayout.h"
#include "programs/DiagramPainter.h"
#include "programs/TimeAxis.h"

#include <QWidget>

// The time diagram of the displayed program: one painted widget inside ScrollBox1. Bars,
// direction labels and phase panels are painted from one layout and found again by
// hit-testing, so a click reports the phase, direction and slot that is drawn under it.
class ProgramView : public QWidget
{
    Q_OBJECT
public:
    explicit ProgramView(RingModel &model, QWidget *parent = nullptr);

    // Makes `program` the displayed one and rebuilds.
    void showProgram(int program);
    // Recomputes the tacts of the displayed program from the working blocks and lays them out,
    // with the safety violations the source finds marked over their rows.
    void rebuild();
    void setMarkSource(Diagram::MarkSource source);
    [[nodiscard]] int cycleLength() const;

    [[nodiscard]] int program() const { return m_program; }
    [[nodiscard]] int currentPhase() const { return m_currentPhase; }
    void setCurrentPhase(int phase) { m_currentPhase = clampIndex(phase, MaxPhases); }
    [[nodiscard]] int currentDirection() const { return m_currentDirection; }
    [[nodiscard]] int currentSlot() const { return m_currentSlot; }
    // Chooses the main bar of (phase, direction) as a click on it would, or else any bar of the
    // phase; false when the phase draws no bar.
    bool selectBar(int phase, int direction);
    // The bar last clicked, in this widget's coordinates (empty before any click).
    [[nodiscard]] QRect clickedBar() const { return m_clickedBar; }

    [[nodiscard]] float scale() const { return m_scale; }
    void zoomIn();
    void zoomOut();

    [[nodiscard]] const Diagram::Layout &diagram() const { return m_layout; }
    [[nodiscard]] const Diagram::TimeAxis &timeAxis() const { return m_axis; }
    // Grows the widget so that the diagram and every visible panel over it can be scrolled to.
    void updateExtent();

signals:
    void barClicked(int phase, int direction, int slot);
    void directionClicked(int direction);
    void phaseClicked(int phase);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void childEvent(QChildEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void zoomBy(double factor);
    void updateStyle();

    RingModel &m_model;
    Diagram::Layout m_layout;
    Diagram::TimeAxis m_axis;
    Diagram::Painter m_painter;
    int m_program = 0;
    int m_currentPhase = 0;
    int m_currentDirection = 0;
    int m_currentSlot = 0;
    QRect m_clickedBar;
    float m_scale = 1.0f;
    Diagram::Hit m_pressed;
    Diagram::MarkSource m_marks;
};
