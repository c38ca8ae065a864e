#pragma once

// Phase templates (which directions are green together) and the consistency check between
// them and the conflict matrix.

#include "model/Structures.h"

#include <QString>

#include <vector>

namespace Fazas {

// Any non-zero mark counts as green here: the check must not miss a mark written by another
// tool, even though the dialog writes only 0 and 1.
[[nodiscard]] bool templateMark(const ProjectBlock &block, int t, int d);
// 0 becomes 1, anything else 0.
void toggleTemplateMark(ProjectBlock &block, int t, int d);

// Two directions green together in a template while the conflict matrix flags them (either
// order); first < second.
struct ConflictPair
{
    int templateIndex = 0;
    int first = 0;
    int second = 0;
};
// Every such pair, template by template.
[[nodiscard]] std::vector<ConflictPair> conflictPairs(const ProjectBlock &block);

inline const QString ConflictText =
    QStringLiteral("Ошибка проекта: матрица конфликтов не соответствует шаблонам фаз");
inline const QString DialogCaption = QStringLiteral("Отменено!!!");

} // namespace Fazas

// True when some template makes two conflicting directions green together. All 32 templates
// and all 32 directions take part, whatever the direction count: an old mark of a removed
// direction still reaches the controller.
[[nodiscard]] bool TemplatesConflict(const ProjectBlock &block);
