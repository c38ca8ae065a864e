#include "programs/SheetActions.h"

#include "model/RingModel.h"
#include "programs/ExportDialog.h"
#include "ui/Prompts.h"

#include <QAction>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QThread>

#include <algorithm>
#include <memory>
#include <numeric>

namespace {
const QString kExportCaption = QStringLiteral("Экспорт диаграммы");
const QString kPrintCaption = QStringLiteral("Печать");

bool systemPrintDialog(QPrinter &printer, QWidget *parent)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(kPrintCaption);
    dialog.setMinMax(1, MaxPrograms);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCurrentPage |
                      QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

SheetActions::PrintDialog g_printDialog = systemPrintDialog;

QString filterFor(SheetExport::Format format)
{
    const QString s = SheetExport::suffix(format);
    return s.toUpper() + QStringLiteral(" (*.") + s + QStringLiteral(")");
}
} // namespace

SheetActions::SheetActions(RingModel &model, QWidget *window)
    : QObject(window), m_model(model), m_window(window)
{
    setObjectName(QStringLiteral("SheetActions"));
    m_export = new QAction(QStringLiteral("Экспорт диаграммы…"), this);
    m_export->setObjectName(QStringLiteral("ExportDiagram"));
    m_print = new QAction(QStringLiteral("Печать…"), this);
    m_print->setObjectName(QStringLiteral("PrintDiagram"));
    m_print->setShortcut(QKeySequence::Print);
    connect(m_export, &QAction::triggered, this, &SheetActions::exportDiagramClick);
    connect(m_print, &QAction::triggered, this, &SheetActions::printClick);
}

SheetActions::~SheetActions()
{
    // Files half written when the program closes would be lost work; the export is short.
    if (m_exporting) {
        m_exporting->wait();
        delete m_exporting;
    }
}

void SheetActions::addTo(QMenu *menu)
{
    menu->addSeparator();
    menu->addAction(m_export);
    menu->addAction(m_print);
}

void SheetActions::setPrintDialog(PrintDialog dialog)
{
    g_printDialog = dialog ? std::move(dialog) : systemPrintDialog;
}

std::vector<SignalPlanSheet> SheetActions::sheets(const std::vector<int> &programs) const
{
    std::vector<SignalPlanSheet> result;
    result.reserve(programs.size());
    const QDate today = QDate::currentDate();
    for (const int p : programs)
        result.emplace_back(m_model.project(), m_model.programs(), m_model.currentRing(), p, today,
                            m_marks);
    return result;
}

std::vector<int> SheetActions::printedPrograms(QPrinter::PrintRange range, int fromPage, int toPage,
                                               int current)
{
    std::vector<int> programs;
    if (range == QPrinter::PageRange && fromPage == 0)
        range = QPrinter::AllPages; // a range that was never set
    switch (range) {
    case QPrinter::PageRange: {
        // Page n is program n; a range reaching past the last program stops there.
        const int from = std::clamp(fromPage, 1, MaxPrograms);
        const int to = std::clamp(toPage, from, MaxPrograms);
        for (int p = from; p <= to; ++p)
            programs.push_back(p - 1);
        break;
    }
    case QPrinter::AllPages:
        programs.resize(MaxPrograms);
        std::iota(programs.begin(), programs.end(), 0);
        break;
    case QPrinter::CurrentPage:
    case QPrinter::Selection:
        programs.push_back(clampIndex(current, MaxPrograms));
        break;
    }
    return programs;
}

void SheetActions::report(const QString &text)
{
    if (auto *main = qobject_cast<QMainWindow *>(m_window))
        main->statusBar()->showMessage(text, 10000);
}

void SheetActions::exportDiagramClick()
{
    ExportDialog dialog(m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const SheetExport::Format format = dialog.format();
    const QString path =
        Prompts::instance().saveFileName(m_window, filterFor(format), SheetExport::suffix(format));
    if (path.isEmpty())
        return;
    std::vector<int> programs;
    if (dialog.allPrograms()) {
        programs.resize(MaxPrograms);
        std::iota(programs.begin(), programs.end(), 0);
    } else {
        programs.push_back(m_model.currentProgram());
    }
    // The file dialog asked about the name typed, not about the numbered files beside it.
    if (format != SheetExport::Format::Pdf && programs.size() > 1) {
        QStringList existing;
        for (const int p : programs)
            if (QFileInfo::exists(SheetExport::pageFileName(path, p + 1)))
                existing.append(QFileInfo(SheetExport::pageFileName(path, p + 1)).fileName());
        if (!existing.isEmpty() &&
            askQuestion(m_window, kExportCaption,
                        QStringLiteral("Файлы уже существуют: ") +
                            existing.join(QStringLiteral(", ")) + QStringLiteral(". Заменить их?"),
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            return;
    }
    // Thirty-two PNG pages take seconds: they are written beside the window, which stays
    // usable. The sheets are taken now, so later edits do not reach the files.
    auto work = std::make_shared<std::vector<SignalPlanSheet>>(sheets(programs));
    auto result = std::make_shared<SheetExport::Result>();
    m_export->setEnabled(false);
    report(QStringLiteral("Экспорт диаграммы…"));
    m_exporting = QThread::create(
        [work, result, path, format] { *result = SheetExport::write(*work, path, format); });
    connect(m_exporting, &QThread::finished, this, [this, result] {
        m_exporting->deleteLater();
        m_exporting = nullptr;
        m_export->setEnabled(true);
        finishExport(*result);
    });
    m_exporting->start();
}

void SheetActions::finishExport(const SheetExport::Result &result)
{
    if (!result.ok()) {
        report({});
        showMessage(m_window, kExportCaption, result.error, QMessageBox::Warning);
    } else {
        report(result.written.size() == 1
                   ? QStringLiteral("Диаграмма записана: ") + result.written.constFirst()
                   : QStringLiteral("Диаграммы записаны (файлов: ") +
                         QString::number(result.written.size()) + QStringLiteral("): ") +
                         result.written.constFirst() + QStringLiteral(" …"));
    }
    emit exportFinished(result.ok());
}

void SheetActions::printClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setDocName(kExportCaption);
    // The pages offered are the programs; the one on screen is what is usually wanted.
    const int current = m_model.currentProgram();
    printer.setFromTo(current + 1, current + 1);
    printer.setPrintRange(QPrinter::PageRange);
    if (!g_printDialog(printer, m_window))
        return;
    if (!SheetExport::paintPages(printer,
                                 sheets(printedPrograms(printer.printRange(), printer.fromPage(),
                                                        printer.toPage(), current)))) {
        showMessage(m_window, kPrintCaption, QStringLiteral("Не удалось напечатать диаграмму"),
                    QMessageBox::Warning);
        return;
    }
    report(QStringLiteral("Диаграмма отправлена на печать"));
}
