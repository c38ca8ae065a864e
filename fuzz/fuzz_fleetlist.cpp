// The fleet list: whatever the file holds, a list is used only when every line is sound, its
// controllers are bounded in number with names and addresses each given once, and no message
// quotes a control character that could drive the operator's terminal.
//
// Input: the list file's bytes.
#include "FuzzSupport.h"
#include "cli/FleetList.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const FleetList list = FleetList::parse(text);
    FUZZ_CHECK(list.ok() != !list.errors.isEmpty() || list.controllers.isEmpty());
    FUZZ_CHECK(list.errors.size() <= FleetList::MaxErrors + 1);
    for (const QString &error : list.errors) {
        for (const QChar c : error)
            FUZZ_CHECK(c.category() != QChar::Other_Control && c.category() != QChar::Other_Format);
    }
    if (!list.ok())
        return 0;
    FUZZ_CHECK(list.controllers.size() <= FleetList::MaxControllers);
    QSet<QString> names;
    QSet<QString> addresses;
    int line = 0;
    for (const FleetList::Controller &c : list.controllers) {
        FUZZ_CHECK(FleetList::isName(c.name));
        FUZZ_CHECK(FleetList::shown(c.name) == c.name);
        FUZZ_CHECK(c.line > line);
        line = c.line;
        names.insert(c.name);
        addresses.insert(c.address.text());
    }
    FUZZ_CHECK(names.size() == list.controllers.size());
    FUZZ_CHECK(addresses.size() == list.controllers.size());
    return 0;
}
