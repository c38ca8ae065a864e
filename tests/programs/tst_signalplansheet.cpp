#include "programs/SheetExport.h"
#include "programs/SheetFixture.h"

#include <QPainter>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <memory>

using Programs = std::vector<int>;
Q_DECLARE_METATYPE(Programs)

namespace {

const QDate kDate(2026, 12, 8);
constexpr int kPixelDpi = 150;

// The sample crossing, or the same crossing changed so that the page has to shrink or stretch.
Ring crossing(const QString &variant)
{
    Ring r = sampleCrossing();
    if (variant == QLatin1String("many directions")) {
        // Twenty rows do not fit the page at screen size: the rows shrink with the page.
        r.directions(20);
        for (int d = 4; d < 20; ++d)
            r.green(d % 3, d);
    } else if (variant == QLatin1String("long cycle")) {
        r.phase(0, 0, 0, 400).phase(0, 1, 1, 250);
    } else if (variant == QLatin1String("full program")) {
        // 32 directions and 32 phases: the most a program holds.
        r.directions(32).phases(0, 32);
        for (int d = 4; d < 32; ++d)
            r.green(d % 3, d);
        for (int f = 0; f < 32; ++f)
            r.phase(0, f, f % 3, 10 + f);
    } else if (variant == QLatin1String("no directions")) {
        r.directions(0);
    } else if (variant == QLatin1String("long description")) {
        // The whole field: 127 characters and the terminator.
        QString text;
        for (int i = 0; text.size() < 127; ++i)
            text += QStringLiteral("Слово%1 ").arg(i);
        setProjectDescription(r.p(), text.left(127));
    } else if (variant == QLatin1String("one phase")) {
        r.phases(0, 1);
    }
    return r;
}

std::vector<SignalPlanSheet> sheetsOf(Ring &r, const Programs &programs, int ring = 0)
{
    std::vector<SignalPlanSheet> sheets;
    for (int p : programs)
        sheets.emplace_back(r.p(), r.g(), ring, p, kDate);
    return sheets;
}

// Output of a poppler tool; empty with a warning when it could not run.
QByteArray poppler(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        qWarning() << tool << arguments << process.errorString() << process.readAllStandardError();
        return {};
    }
    return process.readAllStandardOutput();
}

QString pageText(const QString &pdf, int page)
{
    return QString::fromUtf8(
        poppler(QStringLiteral("pdftotext"),
                {QStringLiteral("-layout"), QStringLiteral("-f"), QString::number(page),
                 QStringLiteral("-l"), QString::number(page), pdf, QStringLiteral("-")}));
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
}

QRegularExpression tableRow(const SheetPhaseRow &row)
{
    const QStringList cells = {QString::number(row.number), row.type, QString::number(row.mainTime),
                               QString::number(row.minTime), QString::number(row.templateNumber)};
    QStringList escaped;
    for (const QString &c : cells)
        escaped.append(QRegularExpression::escape(c));
    return QRegularExpression(QStringLiteral("(^|\\s)") + escaped.join(QStringLiteral("\\s+")) +
                              QStringLiteral("(\\s|$)"));
}

QTransform matrixOf(const QString &text)
{
    static const QRegularExpression matrix(QStringLiteral("matrix\\(([^)]*)\\)"));
    const QRegularExpressionMatch m = matrix.match(text);
    if (!m.hasMatch())
        return {};
    const QStringList v = m.captured(1).split(QLatin1Char(','));
    if (v.size() != 6)
        return {};
    return QTransform(v[0].toDouble(), v[1].toDouble(), v[2].toDouble(), v[3].toDouble(),
                      v[4].toDouble(), v[5].toDouble());
}

struct SvgRect
{
    QRectF rect; // in page units, the group's transform applied
    QColor fill;
};

} // namespace

class TestSignalPlanSheet : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    QString path(const QString &name) const { return m_dir.filePath(name); }

private slots:
    // Each half of a two-colour bar shows as many pixels of its colour as a whole bar of the
    // same time: 3 s at scale 1 is 15 px, 13 of them inside the outline.
    void halvesAreAsWideAsWholeBars_data()
    {
        QTest::addColumn<int>("colour");
        QTest::addColumn<int>("whole");
        QTest::newRow("green blinking") << int(TactGreenBlink) << int(TactGreen);
        QTest::newRow("red-yellow") << int(TactRedYellow) << int(TactRed);
    }
    void halvesAreAsWideAsWholeBars()
    {
        QFETCH(int, colour);
        QFETCH(int, whole);
        const auto inside = [](int c, int row) {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(QColor(10, 20, 30));
            QPainter painter(&image);
            Diagram::Bar bar;
            bar.colour = std::uint8_t(c);
            bar.rect = QRect(5, 2, Diagram::barWidth(3, 1.0f), 25);
            Diagram::Painter().paintBar(painter, bar);
            painter.end();
            int count = 0;
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, row) == Diagram::tactColour(bar.colour, row > 14);
            return count;
        };
        QCOMPARE(inside(whole, 8), 13);
        QCOMPARE(inside(colour, 8), 13);  // upper half
        QCOMPARE(inside(colour, 20), 13); // lower half
    }

    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        for (const char *tool : {"pdfinfo", "pdftotext", "pdftoppm"})
            QVERIFY2(!QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty(),
                     "poppler-utils is missing: run scripts/setup.sh");
    }

    void pdfHasOnePagePerProgram_data()
    {
        QTest::addColumn<Programs>("programs");
        QTest::newRow("current program") << Programs{4};
        QTest::newRow("three programs") << Programs{0, 6, 31};
        Programs all(MaxPrograms);
        std::iota(all.begin(), all.end(), 0);
        QTest::newRow("every program of the ring") << all;
    }
    void pdfHasOnePagePerProgram()
    {
        QFETCH(Programs, programs);
        Ring r = sampleCrossing();
        const QString pdf = path(QStringLiteral("pages.pdf"));
        const SheetExport::Result result =
            SheetExport::write(sheetsOf(r, programs), pdf, SheetExport::Format::Pdf);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.written, QStringList{pdf});

        const QString info = QString::fromUtf8(poppler(QStringLiteral("pdfinfo"), {pdf}));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+") +
                                                  QString::number(programs.size()) +
                                                  QStringLiteral("\\n"))),
                 qPrintable(info));
        // A4 landscape: 297 × 210 mm, 842 × 595 points.
        QVERIFY2(info.contains(QRegularExpression(
                     QStringLiteral("Page size:\\s+84[12][.\\d]* x 595[.\\d]* pts \\(A4\\)"))),
                 qPrintable(info));
        // Each page is its own program, in the order asked for.
        for (std::size_t i = 0; i < programs.size();
             i += std::max<std::size_t>(1, programs.size() / 4)) {
            const QString text = pageText(pdf, int(i) + 1);
            QVERIFY2(text.contains(QStringLiteral("Программа: ") +
                                   QString::number(programs[i] + 1) + QLatin1Char(' ')),
                     qPrintable(text));
        }
    }

    void pdfTextHoldsTheTitleBlock_data()
    {
        QTest::addColumn<int>("ring");
        QTest::addColumn<int>("program");
        QTest::addColumn<QString>("types");
        QTest::addColumn<int>("cycle");
        // Program 1: 30 + 7, 20 + 7, 15 + 3; the other programs (10 + p) + 7 and 12 + 7.
        QTest::newRow("ring 1, program 1 of mixed types")
            << 0 << 0 << QStringLiteral("Фиксированная, ТВП") << 82;
        QTest::newRow("ring 2, program 6") << 1 << 5 << QStringLiteral("Фиксированная") << 41;
        QTest::newRow("ring 4, program 32") << 3 << 31 << QStringLiteral("Фиксированная") << 67;
    }
    void pdfTextHoldsTheTitleBlock()
    {
        QFETCH(int, ring);
        QFETCH(int, program);
        QFETCH(QString, types);
        QFETCH(int, cycle);
        Ring r = sampleCrossing();
        const QString pdf = path(QStringLiteral("title.pdf"));
        const auto sheets = sheetsOf(r, {program}, ring);
        QVERIFY(SheetExport::write(sheets, pdf, SheetExport::Format::Pdf).ok());
        const QString text = pageText(pdf, 1);
        const QStringList expected = {
            QStringLiteral("Описание проекта: Ленина - Мира"),
            QStringLiteral("Кольцо: ") + QString::number(ring + 1),
            QStringLiteral("Программа: ") + QString::number(program + 1),
            QStringLiteral("Тип фаз: ") + types,
            QStringLiteral("Длит. цикла: ") + QString::number(cycle) + QStringLiteral(" c"),
            QStringLiteral("Дата: 08.12.2026"),
            QStringLiteral("Тосн, с"),
            QStringLiteral("Тмин, с"),
            QStringLiteral("Шаблон"),
        };
        for (const QString &e : expected)
            QVERIFY2(text.contains(e), qPrintable(e + QStringLiteral(" not in:\n") + text));
        // One table row per phase, with its main and minimum times and its template.
        const auto &rows = sheets.front().content().phases;
        QCOMPARE(int(rows.size()), program == 0 ? 3 : 2);
        QCOMPARE(rows.front().mainTime, program == 0 ? 30 : 10 + program);
        QCOMPARE(rows.front().minTime, 5);
        for (const SheetPhaseRow &row : rows)
            QVERIFY2(text.contains(tableRow(row)),
                     qPrintable(tableRow(row).pattern() + QStringLiteral(" not in:\n") + text));
    }

    void aLongDescriptionIsPrintedWhole()
    {
        Ring r = crossing(QStringLiteral("long description"));
        const QString pdf = path(QStringLiteral("description.pdf"));
        const auto sheets = sheetsOf(r, {0});
        QVERIFY(SheetExport::write(sheets, pdf, SheetExport::Format::Pdf).ok());
        const QString text = pageText(pdf, 1);
        const QStringList words = sheets.front().content().description.split(QLatin1Char(' '));
        QVERIFY(words.size() > 10);
        for (const QString &word : words)
            QVERIFY2(text.contains(word), qPrintable(word + QStringLiteral(" not in:\n") + text));
        // It wraps inside the title block instead of running into the date.
        QVERIFY(text.contains(QStringLiteral("Дата: 08.12.2026")));
    }

    void barsSitWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<bool>("pdf");
        for (const char *variant :
             {"sample", "many directions", "long cycle", "one phase", "full program"}) {
            QTest::addRow("%s, PDF", variant) << QString::fromLatin1(variant) << true;
            QTest::addRow("%s, PNG", variant) << QString::fromLatin1(variant) << false;
        }
    }
    void barsSitWhereTheLayoutPutsThem()
    {
        QFETCH(QString, variant);
        QFETCH(bool, pdf);
        Ring r = crossing(variant);
        const auto sheets = sheetsOf(r, {0});
        const SignalPlanSheet &sheet = sheets.front();
        QImage image;
        if (pdf) {
            const QString file = path(QStringLiteral("bars.pdf"));
            QVERIFY(SheetExport::write(sheets, file, SheetExport::Format::Pdf).ok());
            const QString stem = path(QStringLiteral("bars"));
            poppler(QStringLiteral("pdftoppm"),
                    {QStringLiteral("-r"), QString::number(kPixelDpi), QStringLiteral("-png"),
                     QStringLiteral("-singlefile"), file, stem});
            QVERIFY(image.load(stem + QStringLiteral(".png")));
        } else {
            const QString file = path(QStringLiteral("bars.png"));
            QVERIFY(SheetExport::write(sheets, file, SheetExport::Format::Png).ok());
            QVERIFY(image.load(file));
        }
        QVERIFY2(std::abs(image.width() - qRound(297 / 25.4 * kPixelDpi)) <= 1,
                 qPrintable(QString::number(image.width())));

        const QTransform toImage =
            sheet.diagramTransform() *
            SignalPlanSheet::pageTransform(QRectF(0, 0, image.width(), image.height()));
        const auto &bars = sheet.layout().bars;
        QVERIFY(!bars.empty());
        int checked = 0;
        for (const Diagram::Bar &bar : bars) {
            const QRectF area = toImage.mapRect(QRectF(bar.rect));
            if (area.width() < 8 || area.height() < 8)
                continue; // too thin to tell its colour from its outline
            // Away from the outline, and left of the centred "Ф<n>" where a bar carries it.
            const double x =
                bar.text.isEmpty() ? area.center().x() : area.left() + area.width() / 8;
            const double inset = std::max(2.5, area.height() * 0.15);
            const QColor upper = image.pixelColor(QPointF(x, area.top() + inset).toPoint());
            const QColor lower = image.pixelColor(QPointF(x, area.bottom() - inset).toPoint());
            const QString where = QStringLiteral("phase %1, direction %2, slot %3 at %4,%5")
                                      .arg(bar.phase + 1)
                                      .arg(bar.direction + 1)
                                      .arg(bar.slot)
                                      .arg(x)
                                      .arg(area.top());
            QVERIFY2(near(upper, Diagram::tactColour(bar.colour)),
                     qPrintable(where + QStringLiteral(" upper ") + upper.name()));
            QVERIFY2(near(lower, Diagram::tactColour(bar.colour, true)),
                     qPrintable(where + QStringLiteral(" lower ") + lower.name()));
            ++checked;
        }
        // The thin ones are the short intermediate tacts; the main times are wide enough.
        const auto mainTimes = std::count_if(bars.begin(), bars.end(),
                                             [](const Diagram::Bar &b) { return b.slot == 0; });
        QVERIFY2(checked >= mainTimes, qPrintable(QString::number(checked)));
        // Between the rows the page is white: a diagram drawn at other places would show here.
        const Diagram::Label &first = sheet.layout().labels.front();
        const QPointF gap = toImage.map(
            QPointF(sheet.layout().phases.front().rect.center().x(), first.rect.bottom() + 12));
        QVERIFY(near(image.pixelColor(gap.toPoint()), Qt::white));
    }

    void sheetSpansThePageWidth_data()
    {
        QTest::addColumn<QString>("variant");
        QTest::addColumn<bool>("shrunk");
        QTest::newRow("sample") << QStringLiteral("sample") << false;
        QTest::newRow("many directions") << QStringLiteral("many directions") << true;
        QTest::newRow("long cycle") << QStringLiteral("long cycle") << false;
        QTest::newRow("full program") << QStringLiteral("full program") << true;
    }
    void sheetSpansThePageWidth()
    {
        QFETCH(QString, variant);
        QFETCH(bool, shrunk);
        Ring r = crossing(variant);
        const SignalPlanSheet sheet(r.p(), r.g(), 0, 0, kDate);
        const QTransform &t = sheet.diagramTransform();
        const Diagram::Layout &l = sheet.layout();
        const QRectF diagram = t.mapRect(QRectF(
            l.labelContainer.x(), 0, l.extent.width() - l.labelContainer.x(), l.extent.height()));
        const double left = SignalPlanSheet::Margin;
        const double right = SignalPlanSheet::PageWidth - SignalPlanSheet::Margin;
        QVERIFY2(std::abs(diagram.left() - left) < 0.5,
                 qPrintable(QString::number(diagram.left())));
        QVERIFY2(diagram.right() <= right + 0.5 && diagram.right() > right - 6,
                 qPrintable(QString::number(diagram.right())));
        // Title, diagram and table follow each other down the page without overlapping.
        QVERIFY(sheet.titleRect().bottom() < diagram.top());
        QVERIFY(diagram.bottom() < sheet.tableRect().top());
        QVERIFY(sheet.tableRect().bottom() <=
                SignalPlanSheet::PageHeight - SignalPlanSheet::Margin);
        // Rows keep their screen height unless the page is too short for them.
        QCOMPARE(t.m22() < 1.0, shrunk);
        // The axis spans the drawn cycle.
        const Diagram::TimeAxis &axis = sheet.timeAxis();
        QCOMPARE(axis.seconds, sheet.content().cycle);
        QCOMPARE(axis.right, l.phases.back().rect.right() + 1);
    }

    void svgHasOneRectPerBar_data()
    {
        QTest::addColumn<QString>("variant");
        QTest::newRow("sample") << QStringLiteral("sample");
        QTest::newRow("many directions") << QStringLiteral("many directions");
        QTest::newRow("one phase") << QStringLiteral("one phase");
        QTest::newRow("full program") << QStringLiteral("full program");
        QTest::newRow("no directions") << QStringLiteral("no directions");
    }
    void svgHasOneRectPerBar()
    {
        QFETCH(QString, variant);
        Ring r = crossing(variant);
        const auto sheets = sheetsOf(r, {0});
        const QString file = path(QStringLiteral("sheet.svg"));
        QVERIFY(SheetExport::write(sheets, file, SheetExport::Format::Svg).ok());

        QFile svg(file);
        QVERIFY(svg.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&svg);
        std::vector<std::pair<QTransform, QColor>> groups;
        std::vector<SvgRect> rects;
        bool sawRoot = false;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::EndElement &&
                xml.name() == QLatin1String("g")) {
                groups.pop_back();
                continue;
            }
            if (!xml.isStartElement())
                continue;
            const auto attributes = xml.attributes();
            if (xml.name() == QLatin1String("svg")) {
                sawRoot = true;
                QCOMPARE(attributes.value(QLatin1String("viewBox")).toString(),
                         QStringLiteral("0 0 1123 794"));
            } else if (xml.name() == QLatin1String("g")) {
                groups.emplace_back(
                    matrixOf(attributes.value(QLatin1String("transform")).toString()),
                    QColor(attributes.value(QLatin1String("fill")).toString()));
            } else if (xml.name() == QLatin1String("rect")) {
                QVERIFY(!groups.empty());
                const QRectF rect(attributes.value(QLatin1String("x")).toDouble(),
                                  attributes.value(QLatin1String("y")).toDouble(),
                                  attributes.value(QLatin1String("width")).toDouble(),
                                  attributes.value(QLatin1String("height")).toDouble());
                rects.push_back({groups.back().first.mapRect(rect), groups.back().second});
            }
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QVERIFY(sawRoot);

        // One rect per colour area: a whole bar, or each half of a two-colour bar.
        struct Area
        {
            QRect rect;
            QColor fill;
            const Diagram::Bar *bar;
        };
        std::vector<Area> areas;
        for (const Diagram::Bar &bar : sheets.front().layout().bars) {
            const QRect r = bar.rect;
            if (bar.colour != TactGreenBlink && bar.colour != TactRedYellow) {
                areas.push_back({r, Diagram::tactColour(bar.colour), &bar});
                continue;
            }
            const int half = r.height() / 2;
            areas.push_back(
                {QRect(r.x(), r.y(), r.width(), half), Diagram::tactColour(bar.colour), &bar});
            areas.push_back({QRect(r.x(), r.y() + half, r.width(), r.height() - half),
                             Diagram::tactColour(bar.colour, true), &bar});
        }
        QCOMPARE(rects.size(), areas.size());
        std::vector<bool> taken(rects.size());
        for (const Area &area : areas) {
            // An area is outlined inside its own pixels: its rect is one unit narrower and lower.
            const QRectF expected =
                sheets.front().diagramTransform().mapRect(QRectF(area.rect.adjusted(0, 0, -1, -1)));
            bool found = false;
            for (std::size_t i = 0; i < rects.size() && !found; ++i) {
                const QRectF &got = rects[i].rect;
                if (taken[i] || rects[i].fill != area.fill ||
                    std::abs(got.x() - expected.x()) > 0.02 ||
                    std::abs(got.y() - expected.y()) > 0.02 ||
                    std::abs(got.width() - expected.width()) > 0.02 ||
                    std::abs(got.height() - expected.height()) > 0.02)
                    continue;
                taken[i] = found = true;
            }
            const Diagram::Bar &bar = *area.bar;
            QVERIFY2(found, qPrintable(QStringLiteral("no rect for phase %1, direction %2, slot %3")
                                           .arg(bar.phase + 1)
                                           .arg(bar.direction + 1)
                                           .arg(bar.slot)));
        }
    }

    void severalSvgAndPngFilesAreNamedByProgram_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("written");
        QTest::newRow("svg") << int(SheetExport::Format::Svg) << "plan.svg"
                             << QStringList{"plan-01.svg", "plan-12.svg"};
        QTest::newRow("png") << int(SheetExport::Format::Png) << "plan.png"
                             << QStringList{"plan-01.png", "plan-12.png"};
        QTest::newRow("no suffix")
            << int(SheetExport::Format::Png) << "plan" << QStringList{"plan-01", "plan-12"};
        QTest::newRow("dotted folder") << int(SheetExport::Format::Svg) << "v1.2/plan.svg"
                                       << QStringList{"v1.2/plan-01.svg", "v1.2/plan-12.svg"};
    }
    void severalSvgAndPngFilesAreNamedByProgram()
    {
        QFETCH(int, format);
        QFETCH(QString, name);
        QFETCH(QStringList, written);
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("v1.2")));
        Ring r = sampleCrossing();
        const SheetExport::Result result = SheetExport::write(
            sheetsOf(r, {0, 11}), path(name), static_cast<SheetExport::Format>(format));
        QVERIFY2(result.ok(), qPrintable(result.error));
        QStringList expected;
        for (const QString &w : written)
            expected.append(path(w));
        QCOMPARE(result.written, expected);
        for (const QString &w : expected) {
            QFile f(w);
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray head = f.read(8);
            QVERIFY(format == int(SheetExport::Format::Png) ? head.startsWith("\x89PNG")
                                                            : head.startsWith("<?xml"));
        }
    }

    void aFileThatCannotBeWrittenIsReported_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("pdf") << int(SheetExport::Format::Pdf);
        QTest::newRow("svg") << int(SheetExport::Format::Svg);
        QTest::newRow("png") << int(SheetExport::Format::Png);
    }
    void aFileThatCannotBeWrittenIsReported()
    {
        QFETCH(int, format);
        Ring r = sampleCrossing();
        const QString file = path(QStringLiteral("missing folder/plan"));
        const SheetExport::Result result =
            SheetExport::write(sheetsOf(r, {0, 1}), file, static_cast<SheetExport::Format>(format));
        QVERIFY(!result.ok());
        QVERIFY(result.written.isEmpty());
        QVERIFY2(result.error.startsWith(QStringLiteral("Не удалось записать файл ")) &&
                     result.error.contains(QStringLiteral("missing folder")),
                 qPrintable(result.error));
    }

    // VELT_SHEET_SCREENSHOT=docs/signal-plan-sheet.png writes the README's picture of a sheet.
    void screenshot()
    {
        const QString file = qEnvironmentVariable("VELT_SHEET_SCREENSHOT");
        if (file.isEmpty())
            QSKIP("VELT_SHEET_SCREENSHOT not set");
        // VELT_SHEET_VARIANT picks another of the crossings above.
        Ring r = crossing(qEnvironmentVariable("VELT_SHEET_VARIANT", QStringLiteral("sample")));
        QVERIFY(SheetExport::write(sheetsOf(r, {0}), file, SheetExport::Format::Png).ok());
    }
};

QTEST_MAIN(TestSignalPlanSheet)
#include "tst_signalplansheet.moc"
