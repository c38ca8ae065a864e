#include "app/MainWindow.h"
#include "app/Windows.h"
#include "programs/ExportDialog.h"
#include "programs/ProgramView.h"
#include "programs/SheetActions.h"
#include "support/FakePrompts.h"
#include "support/ShellActions.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QMenuBar>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>

using Programs = std::vector<int>;
Q_DECLARE_METATYPE(Programs)

namespace {

QString poppler(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPages(const QString &pdf)
{
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    return pages.match(poppler(QStringLiteral("pdfinfo"), {pdf})).captured(1).toInt();
}

QString pdfPageText(const QString &pdf, int page)
{
    return poppler(QStringLiteral("pdftotext"),
                   {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                    QString::number(page), pdf, QStringLiteral("-")});
}

// Answers the export dialog once it is up, as the user would.
void answerExportDialog(bool all, int format, bool accept = true)
{
    QTimer::singleShot(0, [=] {
        auto *dialog = qobject_cast<ExportDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        dialog->findChild<QRadioButton *>(all ? "RadioAll" : "RadioCurrent")->setChecked(true);
        auto *formats = dialog->findChild<QComboBox *>("ComboFormat");
        formats->setCurrentIndex(formats->findData(format));
        accept ? dialog->accept() : dialog->reject();
    });
}

} // namespace

class TestSheetActions : public QObject
{
    Q_OBJECT
private:
    FakePrompts m_prompts;
    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<QTemporaryDir> m_dir;

    TForm1 &form() { return *m_form; }
    ProgramView *view() { return m_form->findChild<ProgramView *>(); }
    QString path(const QString &name) const { return m_dir->filePath(name); }
    SheetActions *actions() { return m_form->findChild<SheetActions *>(); }
    QAction *exportAction() { return m_form->findChild<QAction *>("ExportDiagram"); }

    // Starts the export from the menu and waits for its files; the window is not blocked
    // meanwhile, and the menu item waits until the export is over.
    // `outcome` stays empty when no export started.
    void exportFromMenu(std::optional<bool> &outcome)
    {
        QSignalSpy finished(actions(), &SheetActions::exportFinished);
        trigger(form(), "ExportDiagram");
        if (!actions()->exporting())
            return;
        QVERIFY(!exportAction()->isEnabled());
        QVERIFY(finished.wait(60000));
        QVERIFY(exportAction()->isEnabled());
        outcome = finished.first().first().toBool();
    }

private slots:
    void init()
    {
        m_prompts.asked.clear();
        m_prompts.files.clear();
        m_prompts.answers.clear();
        m_dir = std::make_unique<QTemporaryDir>();
        m_form = std::make_unique<TForm1>();
        createWindows(*m_form);
        m_form->resize(1000, 700);
        m_form->show();
    }
    void cleanup()
    {
        SheetActions::setPrintDialog(nullptr);
        m_form.reset();
    }

    void fileMenuOffersExportAndPrint()
    {
        QStringList items;
        for (QAction *a : form().fileMenu()->actions())
            if (!a->isSeparator())
                items.append(a->text().remove(QLatin1Char('&'))); // the underlined letter aside
        QCOMPARE(items.mid(items.indexOf(QStringLiteral("Сохранить проект"))),
                 (QStringList{QStringLiteral("Сохранить проект"),
                              QStringLiteral("Экспорт диаграммы…"), QStringLiteral("Печать…")}));
    }

    void exportWritesWhatWasChosen_data()
    {
        QTest::addColumn<bool>("all");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("current program, PDF")
            << false << int(SheetExport::Format::Pdf) << "PDF (*.pdf)" << QStringList{"plan.pdf"};
        QTest::newRow("every program, PDF")
            << true << int(SheetExport::Format::Pdf) << "PDF (*.pdf)" << QStringList{"plan.pdf"};
        QTest::newRow("current program, SVG")
            << false << int(SheetExport::Format::Svg) << "SVG (*.svg)" << QStringList{"plan.svg"};
        QStringList many;
        for (int p = 1; p <= MaxPrograms; ++p)
            many.append(QStringLiteral("plan-%1.png").arg(p, 2, 10, QLatin1Char('0')));
        QTest::newRow("every program, PNG")
            << true << int(SheetExport::Format::Png) << "PNG (*.png)" << many;
    }
    void exportWritesWhatWasChosen()
    {
        QFETCH(bool, all);
        QFETCH(int, format);
        QFETCH(QString, filter);
        QFETCH(QStringList, files);
        // Program 3 of ring 1 is on screen.
        clickTool(form(), "Button6");
        clickTool(form(), "Button6");
        const QString name = path(QStringLiteral("plan.") +
                                  SheetExport::suffix(static_cast<SheetExport::Format>(format)));
        m_prompts.files = {name};
        answerExportDialog(all, format);
        std::optional<bool> outcome;
        exportFromMenu(outcome);
        QVERIFY(outcome.value_or(false));
        QCOMPARE(m_prompts.lastFilter, filter);
        QCOMPARE(m_prompts.lastSuffix,
                 SheetExport::suffix(static_cast<SheetExport::Format>(format)));
        if (!m_prompts.asked.empty())
            QFAIL(qPrintable(m_prompts.asked.front().text));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files, QDir::Name), files);
        if (format == int(SheetExport::Format::Pdf)) {
            QCOMPARE(pdfPages(name), all ? MaxPrograms : 1);
            QVERIFY(pdfPageText(name, 1).contains(all ? QStringLiteral("Программа: 1\n")
                                                      : QStringLiteral("Программа: 3\n")));
        }
    }

    void numberedFilesAreReplacedOnlyWhenAllowed_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("replace") << int(QMessageBox::Yes);
        QTest::newRow("keep") << int(QMessageBox::No);
    }
    void numberedFilesAreReplacedOnlyWhenAllowed()
    {
        QFETCH(int, answer);
        QFile mine(path(QStringLiteral("plan-05.svg")));
        QVERIFY(mine.open(QIODevice::WriteOnly));
        mine.write("mine");
        mine.close();
        m_prompts.files = {path(QStringLiteral("plan.svg"))};
        m_prompts.answers = {static_cast<QMessageBox::StandardButton>(answer)};
        answerExportDialog(true, int(SheetExport::Format::Svg));
        std::optional<bool> outcome;
        exportFromMenu(outcome);
        QCOMPARE(m_prompts.asked.size(), std::size_t(1));
        QVERIFY2(m_prompts.asked.front().text.contains(QStringLiteral("plan-05.svg")),
                 qPrintable(m_prompts.asked.front().text));
        QVERIFY(mine.open(QIODevice::ReadOnly));
        if (answer == QMessageBox::Yes) {
            QVERIFY(outcome.value_or(false));
            QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), MaxPrograms);
            QVERIFY(mine.readAll().startsWith("<?xml"));
        } else {
            QVERIFY(!outcome);
            QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"plan-05.svg"});
            QCOMPARE(mine.readAll(), QByteArray("mine"));
        }
    }

    void closingDuringAnExportFinishesItsFiles()
    {
        m_prompts.files = {path(QStringLiteral("plan.svg"))};
        answerExportDialog(true, int(SheetExport::Format::Svg));
        trigger(form(), "ExportDiagram");
        QVERIFY(actions()->exporting());
        m_form.reset();
        const QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
        QCOMPARE(files.size(), MaxPrograms);
        for (const QString &f : files) {
            QFile svg(path(f));
            QVERIFY(svg.open(QIODevice::ReadOnly));
            QVERIFY2(svg.readAll().trimmed().endsWith("</svg>"), qPrintable(f));
        }
    }

    void cancelledExportWritesNothing_data()
    {
        QTest::addColumn<bool>("dialogAccepted");
        QTest::newRow("export dialog cancelled") << false;
        QTest::newRow("file dialog cancelled") << true;
    }
    void cancelledExportWritesNothing()
    {
        QFETCH(bool, dialogAccepted);
        m_prompts.files = {QString()};
        answerExportDialog(true, int(SheetExport::Format::Pdf), dialogAccepted);
        std::optional<bool> outcome;
        exportFromMenu(outcome);
        QVERIFY(!outcome); // nothing was started
        QCOMPARE(m_prompts.files.empty(),
                 dialogAccepted); // the file was asked only after "Экспорт"
        QVERIFY(m_prompts.asked.empty());
        QVERIFY(QDir(m_dir->path()).isEmpty());
    }

    void failedExportSaysSo()
    {
        m_prompts.files = {path(QStringLiteral("no such folder/plan.pdf"))};
        answerExportDialog(false, int(SheetExport::Format::Pdf));
        std::optional<bool> outcome;
        exportFromMenu(outcome);
        QVERIFY(outcome.has_value() && !*outcome);
        QCOMPARE(m_prompts.asked.size(), std::size_t(1));
        QCOMPARE(m_prompts.asked.front().caption, QStringLiteral("Экспорт диаграммы"));
        QVERIFY(m_prompts.asked.front().text.contains(QStringLiteral("no such folder")));
    }

    void printedProgramsFollowTheRange_data()
    {
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<Programs>("programs");
        Programs all(MaxPrograms);
        std::iota(all.begin(), all.end(), 0);
        QTest::newRow("pages 2-4") << int(QPrinter::PageRange) << 2 << 4 << Programs{1, 2, 3};
        QTest::newRow("one page") << int(QPrinter::PageRange) << 7 << 7 << Programs{6};
        QTest::newRow("past the last program")
            << int(QPrinter::PageRange) << 31 << 99 << Programs{30, 31};
        QTest::newRow("range never set") << int(QPrinter::PageRange) << 0 << 0 << all;
        QTest::newRow("all pages") << int(QPrinter::AllPages) << 0 << 0 << all;
        QTest::newRow("current page") << int(QPrinter::CurrentPage) << 0 << 0 << Programs{4};
    }
    void printedProgramsFollowTheRange()
    {
        QFETCH(int, range);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(Programs, programs);
        QCOMPARE(
            SheetActions::printedPrograms(static_cast<QPrinter::PrintRange>(range), from, to, 4),
            programs);
    }

    void printGoesThroughThePrintDialog_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("range");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("firstProgram");
        QTest::newRow("as offered: the current program") << true << -1 << 1 << 2;
        QTest::newRow("pages 5-7") << true << int(QPrinter::PageRange) << 3 << 5;
        QTest::newRow("all") << true << int(QPrinter::AllPages) << MaxPrograms << 1;
        QTest::newRow("cancelled") << false << -1 << 0 << 0;
    }
    void printGoesThroughThePrintDialog()
    {
        QFETCH(bool, accepted);
        QFETCH(int, range);
        QFETCH(int, pages);
        QFETCH(int, firstProgram);
        clickTool(form(), "Button6"); // program 2
        const QString pdf = path(QStringLiteral("printed.pdf"));
        bool asked = false;
        SheetActions::setPrintDialog([&](QPrinter &printer, QWidget *parent) {
            asked = true;
            // Offered: the program on screen, on a landscape page, over the main window.
            [&] {
                QCOMPARE(parent, static_cast<QWidget *>(&form()));
                QCOMPARE(printer.printRange(), QPrinter::PageRange);
                QCOMPARE(printer.fromPage(), 2);
                QCOMPARE(printer.toPage(), 2);
                QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
            }();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            if (range == int(QPrinter::PageRange))
                printer.setFromTo(5, 7);
            if (range >= 0)
                printer.setPrintRange(static_cast<QPrinter::PrintRange>(range));
            return accepted;
        });
        trigger(form(), "PrintDiagram");
        QVERIFY(asked);
        QVERIFY(m_prompts.asked.empty());
        if (!accepted) {
            QVERIFY(!QFile::exists(pdf));
            return;
        }
        QCOMPARE(pdfPages(pdf), pages);
        QVERIFY(pdfPageText(pdf, 1).contains(QStringLiteral("Программа: %1\n").arg(firstProgram)));
    }

    void axisOverTheDiagramFollowsTheZoom()
    {
        const Diagram::TimeAxis before = view()->timeAxis();
        QCOMPARE(before.seconds, 32);
        clickTool(form(), "BitBtn3");
        clickTool(form(), "BitBtn3");
        const Diagram::TimeAxis after = view()->timeAxis();
        QCOMPARE(after.ticks.size(), before.ticks.size());
        // 30 s at 5 px a second, zoomed twice by 1.2 (and never more than the truncation off).
        QCOMPARE(before.ticks.back().x - before.ticks.front().x, 150);
        QVERIFY(std::abs(after.ticks.back().x - after.ticks.front().x - 216) <= 1);
        // Each tick is drawn where the axis puts it.
        const QImage shown = view()->grab().toImage();
        for (const Diagram::TimeAxis::Tick &tick : after.ticks)
            QVERIFY2(qGray(shown.pixel(tick.x, after.baseline - 2)) < 100,
                     qPrintable(QString::number(tick.seconds)));
        QVERIFY(qGray(shown.pixel((after.ticks[0].x + after.ticks[1].x) / 2, after.baseline - 2)) >
                150);
    }

    // VELT_SCREENSHOT_DIR=folder keeps pictures of the main window and the export dialog.
    void screenshots()
    {
        const QString dir = qEnvironmentVariable("VELT_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("VELT_SCREENSHOT_DIR not set");
        QVERIFY(form().grab().save(dir + QStringLiteral("/main-window-axis.png")));
        QTimer::singleShot(0, [dir] {
            QWidget *dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            QVERIFY(dialog->grab().save(dir + QStringLiteral("/export-dialog.png")));
            dialog->close();
        });
        trigger(form(), "ExportDiagram");
    }
};

QTEST_MAIN(TestSheetActions)
#include "tst_sheetactions.moc"
