#include "app/HelpWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QUrl>

HelpWindow::HelpWindow(QWidget *parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Справка"));
    setOpenExternalLinks(true);
    resize(820, 640);
    const QString path = manualPath();
    if (path.isEmpty())
        setPlainText(QStringLiteral("Справка не установлена."));
    else
        setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
}

QString HelpWindow::manualPath()
{
    const QString candidates[] = {
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/velt/doc/manual.md"),
        QStringLiteral(VELT_SOURCE_DIR "/docs/manual.md"),
    };
    for (const QString &path : candidates)
        if (QFileInfo(path).isFile())
            return QFileInfo(path).canonicalFilePath();
    return {};
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QTextBrowser::keyPressEvent(event);
}
