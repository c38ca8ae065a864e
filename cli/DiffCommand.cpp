#include "cli/BlockFields.h"
#include "cli/FileCommands.h"
#include "cli/JsonOutput.h"
#include "cli/LoadedProject.h"

#include <algorithm>
#include <vector>

namespace {

using BlockFields::Block;

struct Difference
{
    int ring = 0; // 1-based; 0 for the project as a whole
    QString place;
    QString field;
    QString from;
    QString to;
};

QString rawBytes(std::span<const std::uint8_t> bytes, const BlockFields::Field &field)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(bytes.data() + field.offset),
                   qsizetype(field.size))
            .toHex(' '));
}

void compareBlocks(Block block, std::span<const std::uint8_t> a, std::span<const std::uint8_t> b,
                   int ring, std::vector<Difference> &out)
{
    std::size_t at = 0;
    while (at < a.size()) {
        if (a[at] == b[at]) {
            ++at;
            continue;
        }
        const BlockFields::Field field = BlockFields::fieldAt(block, at);
        if (field.derived) {
            at = field.offset + field.size;
            continue;
        }
        if (field.name.isEmpty()) {
            out.push_back({ring,
                           BlockFields::blockName(block) + QStringLiteral(", смещение ") +
                               QString::number(at),
                           QStringLiteral("байт"), QString::number(a[at]), QString::number(b[at])});
            ++at;
            continue;
        }
        Difference difference{ring, field.place, field.name, BlockFields::valueText(field, a),
                              BlockFields::valueText(field, b)};
        // Bytes the engineer cannot see in the value (after the description's end, a flag of
        // 1 against 2) still differ; show them rather than an equal pair.
        if (difference.from == difference.to) {
            difference.from = rawBytes(a, field);
            difference.to = rawBytes(b, field);
        }
        out.push_back(difference);
        at = field.offset + field.size;
    }
}

std::vector<Difference> compare(const LoadedProject &a, const LoadedProject &b)
{
    std::vector<Difference> out;
    if (a.ringCount() != b.ringCount())
        out.push_back({0, QString(), QStringLiteral("число колец"), QString::number(a.ringCount()),
                       QString::number(b.ringCount())});
    const int common = std::min(a.ringCount(), b.ringCount());
    for (int r = 0; r < common; ++r) {
        const RingData &x = a.rings[std::size_t(r)];
        const RingData &y = b.rings[std::size_t(r)];
        compareBlocks(Block::Project, x.project, y.project, r + 1, out);
        compareBlocks(Block::Programs, x.programs, y.programs, r + 1, out);
    }
    return out;
}

QString line(const Difference &d)
{
    QStringList where;
    if (d.ring > 0)
        where << QStringLiteral("кольцо %1").arg(d.ring);
    if (!d.place.isEmpty())
        where << d.place;
    const QString head = where.join(QStringLiteral(", "));
    const QString change = QStringLiteral("%1 %2 → %3").arg(d.field, d.from, d.to);
    return head.isEmpty() ? change : head + QStringLiteral(": ") + change;
}

QJsonArray toJson(const std::vector<Difference> &differences)
{
    QJsonArray array;
    for (const Difference &d : differences) {
        QJsonObject object{{QStringLiteral("place"), d.place},
                           {QStringLiteral("field"), d.field},
                           {QStringLiteral("from"), d.from},
                           {QStringLiteral("to"), d.to}};
        if (d.ring > 0)
            object.insert(QStringLiteral("ring"), d.ring);
        array.append(object);
    }
    return array;
}

} // namespace

int runDiff(const QStringList &files, CliContext &context)
{
    const LoadedProject a = LoadedProject::load(files[0]);
    const LoadedProject b = LoadedProject::load(files[1]);
    for (const LoadedProject *project : {&a, &b})
        if (!project->ok()) {
            context.err << project->error << '\n';
            return ExitCode::Failure;
        }
    const std::vector<Difference> differences = compare(a, b);
    if (context.json)
        writeJson(context.out, toJson(differences));
    else
        for (const Difference &d : differences)
            context.out << line(d) << '\n';
    return differences.empty() ? ExitCode::Clean : ExitCode::Findings;
}
