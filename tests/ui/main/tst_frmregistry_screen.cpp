#include "common/glyphs.h"
#include "ui/main/editingharness.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace editing;

// The entry dialog on a real X display, opened by 修正 over the settings window: drawn with
// real glyphs, the password masked, its corner on the settings window's corner.
class tst_frmRegistryScreen : public QObject
{
    Q_OBJECT
private slots:
    void dialogAsAPersonSeesIt();
};

void tst_frmRegistryScreen::dialogAsAPersonSeesIt()
{
    QVERIFY2(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty(), "no Japanese font installed");

    Fixture f({ QStringLiteral("taro@livedoor"), QStringLiteral("hanako") },
              { QStringLiteral("x"), QStringLiteral("secret12") });
    frmMainLd &window = f.window();
    window.move(100, 60);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.lbID->setCurrentRow(1);

    bool shot = false;
    EntryDialogScript script([&](frmRegistry &dialog) {
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QCOMPARE(dialog.pos(), window.pos());
        QCOMPARE(dialog.txtID->displayText(), QStringLiteral("hanako"));
        QCOMPARE(dialog.txtPW->displayText(), QStringLiteral("********"));

        const QStringList texts{ dialog.windowTitle(), dialog.lblID->text(),
                                 dialog.lblPASSWORD->text(), dialog.cmdOK->text(),
                                 dialog.cmdCANCEL->text() };
        const QString missing = missingJapaneseGlyph(texts);
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
        // Each caption ends before the text box beside it starts.
        for (const QLabel *label : { dialog.lblID, dialog.lblPASSWORD })
            QVERIFY2(label->x() + QFontMetrics(label->font()).horizontalAdvance(label->text())
                             <= dialog.txtID->x(),
                     qPrintable(label->text()));

        // Kept as a test artefact: build/debug/tests/frmRegistry.png.
        const QImage image = dialog.grab().toImage();
        shot = image.save(QStringLiteral("frmRegistry.png"));
        QCOMPARE(image.size(), dialog.size() * dialog.devicePixelRatio());
        QTest::mouseClick(dialog.cmdCANCEL, Qt::LeftButton);
    });
    QTest::mouseClick(window.cmdREGISTRY, Qt::LeftButton);
    QVERIFY(script.ran());
    QVERIFY(!script.leftOpen());
    QVERIFY(shot);
}

QTEST_MAIN(tst_frmRegistryScreen)
#include "tst_frmregistry_screen.moc"
