#pragma once

#include "programs/SignalPlanSheet.h"

#include <QImage>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;

// Writes signal-plan sheets to files: a PDF with one A4 landscape page per program, or one
// SVG or PNG file per program.
namespace SheetExport {

enum class Format { Pdf, Svg, Png };

inline constexpr int PdfDpi = 300;
inline constexpr int PngDpi = 150;

struct Result
{
    QStringList written;
    QString error; // a sentence for the user; empty when every file was written
    [[nodiscard]] bool ok() const { return error.isEmpty(); }
};

[[nodiscard]] QString suffix(Format format);
// The file of one program when several are written as SVG or PNG: "plan.svg" becomes
// "plan-07.svg" for program 7.
[[nodiscard]] QString pageFileName(const QString &path, int program);

// Paints one sheet a page onto a PDF writer or a printer, each fitted to the page.
[[nodiscard]] bool paintPages(QPagedPaintDevice &device,
                              const std::vector<SignalPlanSheet> &sheets);
[[nodiscard]] QImage renderImage(const SignalPlanSheet &sheet, int dpi = PngDpi);

// A file is replaced only once it has been written whole.
[[nodiscard]] Result write(const std::vector<SignalPlanSheet> &sheets, const QString &path,
                           Format format);

} // namespace SheetExport
