#include "model/Description.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace PL = ProjectLayout;

QString projectDescription(const ProjectBlock &project)
{
    const auto *first = reinterpret_cast<const char *>(project.data() + PL::Description);
    const auto *end = std::find(first, first + PL::DescriptionSize, '\0');
    QStringDecoder decode("windows-1251");
    return decode(QByteArrayView(first, end - first));
}

void setProjectDescription(ProjectBlock &project, const QString &text)
{
    QStringEncoder encode("windows-1251", QStringEncoder::Flag::Stateless);
    QByteArray bytes = encode(text);
    bytes.truncate(PL::DescriptionSize - 1);
    // A zero inside the text would end it early anyway; keep the field self-consistent.
    bytes.truncate(bytes.indexOf('\0') < 0 ? bytes.size() : bytes.indexOf('\0'));
    auto *field = project.data() + PL::Description;
    std::fill_n(field, PL::DescriptionSize, 0);
    std::copy(bytes.cbegin(), bytes.cend(), field);
}
