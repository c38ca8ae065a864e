#include "programs/SheetExport.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <cmath>

namespace SheetExport {

namespace {
QString failed(const QString &path, const QString &reason = {})
{
    QString text = QStringLiteral("Не удалось записать файл ") + QDir::toNativeSeparators(path);
    if (!reason.isEmpty())
        text += QStringLiteral(": ") + reason;
    return text;
}

bool writePdf(QIODevice &file, const std::vector<SignalPlanSheet> &sheets)
{
    QPdfWriter writer(&file);
    writer.setResolution(PdfDpi);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
    writer.setCreator(QStringLiteral("Конфигуратор ВЕЛТ"));
    if (!sheets.empty())
        writer.setTitle(QStringLiteral("Программа ") +
                        QString::number(sheets.front().content().program));
    return paintPages(writer, sheets);
}

bool writeSvg(QIODevice &file, const SignalPlanSheet &sheet)
{
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    const QSize size(qRound(SignalPlanSheet::PageWidth), qRound(SignalPlanSheet::PageHeight));
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(96);
    svg.setTitle(QStringLiteral("Программа ") + QString::number(sheet.content().program));
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    Diagram::fillArea(painter, QRectF(0, 0, size.width(), size.height()), Qt::white);
    sheet.paint(painter);
    return painter.end();
}
} // namespace

QString suffix(Format format)
{
    switch (format) {
    case Format::Pdf:
        return QStringLiteral("pdf");
    case Format::Svg:
        return QStringLiteral("svg");
    case Format::Png:
        return QStringLiteral("png");
    }
    return {};
}

QString pageFileName(const QString &path, int program)
{
    const QFileInfo info(path);
    const QString number = QStringLiteral("%1").arg(program, 2, 10, QLatin1Char('0'));
    const QString name = info.suffix().isEmpty() ? info.fileName() + QLatin1Char('-') + number
                                                 : info.completeBaseName() + QLatin1Char('-') +
                                                       number + QLatin1Char('.') + info.suffix();
    return info.dir().filePath(name);
}

bool paintPages(QPagedPaintDevice &device, const std::vector<SignalPlanSheet> &sheets)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRectF page(0, 0, device.width(), device.height());
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        if (i > 0 && !device.newPage())
            return false;
        sheets[i].paintFitted(painter, page);
    }
    return painter.end();
}

QImage renderImage(const SignalPlanSheet &sheet, int dpi)
{
    const double k = dpi / 96.0;
    QImage image(int(std::ceil(SignalPlanSheet::PageWidth * k)),
                 int(std::ceil(SignalPlanSheet::PageHeight * k)), QImage::Format_RGB32);
    const int dotsPerMetre = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    sheet.paintFitted(painter, QRectF(0, 0, image.width(), image.height()));
    painter.end();
    return image;
}

Result write(const std::vector<SignalPlanSheet> &sheets, const QString &path, Format format)
{
    Result result;
    const bool several = format != Format::Pdf && sheets.size() > 1;
    const std::size_t files = format == Format::Pdf ? 1 : sheets.size();
    for (std::size_t i = 0; i < files; ++i) {
        const QString name = several ? pageFileName(path, sheets[i].content().program) : path;
        QSaveFile file(name);
        if (!file.open(QIODevice::WriteOnly)) {
            result.error = failed(name, file.errorString());
            return result;
        }
        bool painted = false;
        switch (format) {
        case Format::Pdf:
            painted = writePdf(file, sheets);
            break;
        case Format::Svg:
            painted = writeSvg(file, sheets[i]);
            break;
        case Format::Png:
            painted = renderImage(sheets[i]).save(&file, "PNG");
            break;
        }
        if (!painted || !file.commit()) {
            file.cancelWriting();
            result.error = failed(name, file.errorString());
            return result;
        }
        result.written.append(name);
    }
    return result;
}

} // namespace SheetExport
