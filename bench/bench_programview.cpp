// Rebuild and paint of a full program (32 phases × 32 directions) in the painted program view,
// next to a baseline in the same run that builds one child widget per bar, the way a form
// designer would lay the diagram out. Prints both times and their ratio.

#include "model/RingModel.h"
#include "programs/DiagramLayout.h"
#include "programs/ProgramView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void fillFullProgram(RingModel &model)
{
    auto &p = model.project();
    auto &g = model.programs();
    p[ProjectLayout::DirectionCount] = MaxDirections;
    // Template t makes directions t and t + 16 green; every direction meets a conflict.
    for (int t = 0; t < MaxTemplates; ++t) {
        p[templateMarkOffset(t, t)] = 1;
        p[templateMarkOffset(t, (t + 16) % MaxDirections)] = 1;
    }
    for (int j = 0; j < MaxDirections; ++j)
        for (int k = 0; k < MaxDirections; ++k)
            if (j != k && (j - k) % 16 != 0) {
                p[conflictFlagOffset(j, k)] = 1;
                p[conflictTimeOffset(j, k)] = static_cast<std::uint8_t>(2 + (j + k) % 4);
            }
    g[programOffset(0)] = MaxPhases;
    for (int f = 0; f < MaxPhases; ++f) {
        const std::size_t at = phaseOffset(0, f);
        g[at + PhaseLayout::Template] = static_cast<std::uint8_t>(f);
        g[at + PhaseLayout::MainTime] = static_cast<std::uint8_t>(8 + f % 5);
        for (int d = 0; d < MaxDirections; ++d) {
            g[at + PhaseLayout::Additions + 3 * d + PhaseLayout::GreenExtension] = 2;
            g[at + PhaseLayout::Additions + 3 * d + PhaseLayout::ExtraRed] = 1;
        }
    }
}

// One bar as a control of its own.
class BarWidget : public QWidget
{
public:
    BarWidget(std::uint8_t colour, QWidget *parent) : QWidget(parent), m_colour(colour) {}

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(Qt::black);
        const QColor c = m_colour == TactRed || m_colour == TactRedYellow ? QColor(255, 0, 0)
                         : m_colour == TactYellow                         ? QColor(255, 255, 0)
                                                                          : QColor(0, 128, 0);
        painter.setBrush(c);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

private:
    std::uint8_t m_colour;
};

// The diagram built from child widgets: label container, labels, phase panels, bars.
QWidget *buildWidgetTree(const RingModel &model, QWidget *host)
{
    const Diagram::Layout layout = Diagram::layoutDiagram(
        Diagram::computeSlots(model.project(), model.programs(), 0), model.project(), 1.0f, 0);
    auto *root = new QWidget(host);
    root->resize(layout.extent);
    auto *container = new QFrame(root);
    container->setGeometry(layout.labelContainer);
    for (const Diagram::Label &l : layout.labels) {
        auto *label = new QLabel(l.caption, container);
        label->setGeometry(l.rectInGroup);
        label->setFrameShape(QFrame::Box);
        label->setToolTip(l.hint);
    }
    std::vector<QFrame *> panels;
    for (const Diagram::Phase &p : layout.phases) {
        auto *panel = new QFrame(root);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setGeometry(p.rect);
        panels.push_back(panel);
    }
    for (const Diagram::Bar &b : layout.bars) {
        auto *bar = new BarWidget(b.colour, panels[b.phase]);
        bar->setGeometry(b.rectInPhase);
        bar->setToolTip(QString::number(b.duration) + QStringLiteral(" c"));
    }
    return root;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Timings
{
    std::vector<double> rebuilds, fulls, viewports, totals;
    void add(double rebuild, double full, double viewport)
    {
        rebuilds.push_back(rebuild);
        fulls.push_back(full);
        viewports.push_back(viewport);
        totals.push_back(rebuild + full);
    }
    [[nodiscard]] double rebuild() const { return median(rebuilds); }
    [[nodiscard]] double viewport() const { return median(viewports); }
    [[nodiscard]] double total() const { return median(totals); }
    void print(const char *name) const
    {
        std::printf("%-16s %12.3f %12.3f %16.3f %20.3f\n", name, rebuild(), median(fulls),
                    viewport(), total());
    }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    RingModel model;
    model.NewProjectDefaults();
    fillFullProgram(model);

    ProgramView view(model);
    view.showProgram(0);
    const std::size_t bars = view.diagram().bars.size();
    QImage canvas(view.size(), QImage::Format_ARGB32_Premultiplied);
    QImage screen(1000, 600, QImage::Format_ARGB32_Premultiplied);
    const QRegion visible(0, 0, screen.width(), screen.height());

    // Each round: rebuild, paint the whole diagram, paint a window-sized viewport. The first
    // rounds warm caches and fonts and are not counted.
    constexpr int Rounds = 20;
    constexpr int Warm = 3;
    Timings painted;
    for (int i = 0; i < Rounds + Warm; ++i) {
        QElapsedTimer timer;
        timer.start();
        view.rebuild();
        const double rebuild = timer.nsecsElapsed() / 1e6;
        timer.restart();
        view.render(&canvas);
        const double full = timer.nsecsElapsed() / 1e6;
        timer.restart();
        view.render(&screen, QPoint(), visible);
        if (i >= Warm)
            painted.add(rebuild, full, timer.nsecsElapsed() / 1e6);
    }

    // A look at what was measured, when asked for.
    if (const QString image = qEnvironmentVariable("BENCH_IMAGE"); !image.isEmpty())
        canvas.copy(0, 0, 1200, 700).save(image);

    QWidget host;
    host.resize(view.size());
    Timings widgets;
    QWidget *tree = nullptr;
    for (int i = 0; i < Rounds / 2 + Warm; ++i) {
        QElapsedTimer timer;
        timer.start();
        delete tree; // a rebuild throws the previous drawing away
        tree = buildWidgetTree(model, &host);
        const double rebuild = timer.nsecsElapsed() / 1e6;
        timer.restart();
        host.render(&canvas);
        const double full = timer.nsecsElapsed() / 1e6;
        timer.restart();
        host.render(&screen, QPoint(), visible);
        if (i >= Warm)
            widgets.add(rebuild, full, timer.nsecsElapsed() / 1e6);
    }

    std::printf("program: 32 phases x 32 directions, %zu bars, %d x %d px\n", bars, view.width(),
                view.height());
    std::printf("%-16s %12s %12s %16s %20s\n", "median ms", "rebuild", "full paint",
                "1000x600 paint", "rebuild+full paint");
    painted.print("painted view");
    widgets.print("widget per bar");
    std::printf("ratio widget/painted: rebuild %.1f, rebuild+full paint %.1f, "
                "rebuild+viewport paint %.1f\n",
                widgets.rebuild() / painted.rebuild(), widgets.total() / painted.total(),
                (widgets.rebuild() + widgets.viewport()) /
                    (painted.rebuild() + painted.viewport()));
    return 0;
}
