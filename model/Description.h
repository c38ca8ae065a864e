#pragma once

#include "model/Structures.h"

#include <QString>

// The project description: code page 1251 text, zero-terminated inside its 128-byte field.
[[nodiscard]] QString projectDescription(const ProjectBlock &project);
// Cuts the text so that it and its terminator fit the field; the marker that follows the
// field is never touched.
void setProjectDescription(ProjectBlock &project, const QString &text);
