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

} // namespace Fazas

bool TemplatesConflict(const ProjectBlock &block)
{
    for (int t = 0; t < MaxTemplates; ++t)
        for (int j = 0; j < MaxDirections; ++j) {
            if (!Fazas::templateMark(block, t, j))
                continue;
            for (int k = 0; k < MaxDirections; ++k)
                if (k != j && Fazas::templateMark(block, t, k) &&
                    block[conflictFlagOffset(j, k)] != 0)
                    return true;
        }
    return false;
}
