#pragma once

#include "programs/SheetExport.h"

#include <QObject>
#include <QPrinter>

#include <functional>

class QAction;
class QThread;
class QMenu;
class QWidget;
class RingModel;

// "Экспорт диаграммы…" and "Печать…": the signal-plan sheets of the current ring's programs
// to files or to a printer. The sheets are composed by SignalPlanSheet; this only asks what
// to write and where.
class SheetActions : public QObject
{
    Q_OBJECT
public:
    // `window` parents the dialogs and shows the result in its status bar when it has one.
    SheetActions(RingModel &model, QWidget *window);
    ~SheetActions() override;

    // Adds both items to `menu` (the "Файл" menu), behind a separator.
    void addTo(QMenu *menu);
    // The safety violations a sheet marks, as the program view marks them.
    void setMarkSource(Diagram::MarkSource source) { m_marks = std::move(source); }

    // Sheets of the current ring, dated today; `programs` are 0-based.
    [[nodiscard]] std::vector<SignalPlanSheet> sheets(const std::vector<int> &programs) const;

    // Programs to print for the range chosen in a print dialog, whose pages are the programs.
    [[nodiscard]] static std::vector<int> printedPrograms(QPrinter::PrintRange range, int fromPage,
                                                          int toPage, int current);

    // Shows the print dialog; true prints. Tests put their own in place, nullptr restores it.
    using PrintDialog = std::function<bool(QPrinter &, QWidget *)>;
    static void setPrintDialog(PrintDialog dialog);

    [[nodiscard]] QAction *exportAction() const { return m_export; }
    [[nodiscard]] QAction *printAction() const { return m_print; }

    [[nodiscard]] bool exporting() const { return m_exporting != nullptr; }

signals:
    // The files of an export are written (true) or it failed and said why (false).
    void exportFinished(bool ok);

public slots:
    void exportDiagramClick();
    void printClick();

private:
    void report(const QString &text);
    void finishExport(const SheetExport::Result &result);

    RingModel &m_model;
    Diagram::MarkSource m_marks;
    QWidget *m_window = nullptr;
    QAction *m_export = nullptr;
    QAction *m_print = nullptr;
    QThread *m_exporting = nullptr;
};
