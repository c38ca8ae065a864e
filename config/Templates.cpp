#include "config/Templates.h"

namespace Fazas {

bool templateMark(const ProjectBlock &block, int t, int d)
{
    return block[templateMarkOffset(t, d)] != 0;
}

void toggleTemplateMark(ProjectBlock &block, int t, int d)
{
    std::uint8_t &mark = block[templateMarkOffset(t, d)];
    mark = mark == 0 ? 1 : 0;
}

std::vector<ConflictPair> conflictPairs(const ProjectBlock &block)
{
    std::vector<ConflictPair> pairs;
    for (int t = 0; t < MaxTemplates; ++t)
        for (int j = 0; j < MaxDirections; ++j) {
            if (!templateMark(block, t, j))
                continue;
            for (int k = j + 1; k < MaxDirections; ++k)
                if (templateMark(block, t, k) &&
                    (block[conflictFlagOffset(j, k)] != 0 || block[conflictFlagOffset(k, j)] != 0))
                    pairs.push_back({t, j, k});
        }
    return pairs;
}

} // namespace Fazas

bool TemplatesConflict(const ProjectBlock &block)
{
    return !Fazas::conflictPairs(block).empty();
}
