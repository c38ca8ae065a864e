#include "config/Templates.h"
#include "model/RingModel.h"

#include <QTest>

namespace PL = ProjectLayout;

namespace {

ProjectBlock newRing()
{
    RingModel model;
    model.NewProjectDefaults();
    return model.project();
}

struct Mark
{
    int t, d, value;
};
struct Flag
{
    int i, j;
};

} // namespace

Q_DECLARE_METATYPE(std::vector<Mark>)
Q_DECLARE_METATYPE(std::vector<Flag>)

class TestFazas : public QObject
{
    Q_OBJECT
private slots:
    void newProjectPasses() { QVERIFY(!TemplatesConflict(newRing())); }

    void conflicts_data()
    {
        QTest::addColumn<std::vector<Mark>>("marks");
        QTest::addColumn<std::vector<Flag>>("flags");
        QTest::addColumn<bool>("conflict");
        // New project: template 1 = {direction 1}, template 2 = {direction 2}.
        QTest::newRow("flags between templates")
            << std::vector<Mark>{} << std::vector<Flag>{{0, 1}, {1, 0}} << false;
        QTest::newRow("single green with flags")
            << std::vector<Mark>{{5, 7, 1}} << std::vector<Flag>{{7, 3}, {3, 7}} << false;
        QTest::newRow("empty template")
            << std::vector<Mark>{{0, 0, 0}} << std::vector<Flag>{{0, 1}} << false;
        QTest::newRow("flag j,k") << std::vector<Mark>{{0, 1, 1}} << std::vector<Flag>{{0, 1}}
                                  << true;
        QTest::newRow("flag k,j only")
            << std::vector<Mark>{{0, 1, 1}} << std::vector<Flag>{{1, 0}} << true;
        QTest::newRow("shared template without flag")
            << std::vector<Mark>{{0, 1, 1}} << std::vector<Flag>{{0, 2}} << false;
        QTest::newRow("last template, last directions")
            << std::vector<Mark>{{31, 30, 1}, {31, 31, 1}} << std::vector<Flag>{{31, 30}} << true;
        QTest::newRow("mark value 2 counts as green")
            << std::vector<Mark>{{3, 4, 2}, {3, 5, 1}} << std::vector<Flag>{{4, 5}} << true;
        QTest::newRow("diagonal flag alone")
            << std::vector<Mark>{{3, 4, 1}} << std::vector<Flag>{{4, 4}} << false;
    }
    void conflicts()
    {
        QFETCH(std::vector<Mark>, marks);
        QFETCH(std::vector<Flag>, flags);
        QFETCH(bool, conflict);
        ProjectBlock b = newRing();
        for (const Mark &m : marks)
            b[templateMarkOffset(m.t, m.d)] = static_cast<std::uint8_t>(m.value);
        for (const Flag &f : flags)
            b[conflictFlagOffset(f.i, f.j)] = 1;
        QCOMPARE(TemplatesConflict(b), conflict);
    }

    // The grid shows only the directions in use; the check sees them all.
    void removedDirectionStillCounts()
    {
        ProjectBlock b = newRing();
        b[PL::DirectionCount] = 5;
        b[templateMarkOffset(2, 0)] = 1;
        b[templateMarkOffset(2, 4)] = 1;
        b[conflictFlagOffset(0, 4)] = 1;
        b[PL::DirectionCount] = 2;
        QVERIFY(TemplatesConflict(b));
    }

    void toggle_data()
    {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("0") << 0 << 1;
        QTest::newRow("1") << 1 << 0;
        QTest::newRow("7") << 7 << 0;
    }
    void toggle()
    {
        QFETCH(int, before);
        QFETCH(int, after);
        ProjectBlock b = newRing();
        b[templateMarkOffset(4, 9)] = static_cast<std::uint8_t>(before);
        Fazas::toggleTemplateMark(b, 4, 9);
        QCOMPARE(int(b[templateMarkOffset(4, 9)]), after);
        QCOMPARE(int(b[684 + 32 * 4 + 9]), after);
    }
};

QTEST_GUILESS_MAIN(TestFazas)
#include "tst_templates.moc"
