#include "app/QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {
QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

bool cyrillic(const QString &text)
{
    static const QRegularExpression letters(QStringLiteral("[А-Яа-яЁё]"));
    return text.contains(letters);
}
} // namespace

class TestTranslations : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(installQtTranslations(*qApp)); }

    void messageBoxButtons()
    {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Вопрос"), QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(withoutMnemonic(box.button(QMessageBox::Yes)->text()), QStringLiteral("Да"));
        QCOMPARE(withoutMnemonic(box.button(QMessageBox::No)->text()), QStringLiteral("Нет"));
        QCOMPARE(withoutMnemonic(box.button(QMessageBox::Cancel)->text()),
                 QStringLiteral("Отмена"));
        // A button the program names itself keeps its text.
        QCOMPARE(box.addButton(QStringLiteral("Retry later"), QMessageBox::AcceptRole)->text(),
                 QStringLiteral("Retry later"));
    }

    void fileDialog_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("open") << int(QFileDialog::AcceptOpen);
        QTest::newRow("save") << int(QFileDialog::AcceptSave);
    }
    void fileDialog()
    {
        QFETCH(int, mode);
        // The dialog Qt draws itself, as on a desktop without a platform file dialog.
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(static_cast<QFileDialog::AcceptMode>(mode));
        QVERIFY2(cyrillic(dialog.windowTitle()), qPrintable(dialog.windowTitle()));
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        for (QAbstractButton *button : buttons->buttons())
            QVERIFY2(cyrillic(button->text()), qPrintable(button->text()));
    }
};

QTEST_MAIN(TestTranslations)
#include "tst_translations.moc"
