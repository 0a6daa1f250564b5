#include "app/program.h"
#include "common/glyphs.h"
#include "common/storesandbox.h"
#include "ui/main/frmmainld.h"

#include <QAction>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

// The settings window on a real X display: every caption must be drawn with real glyphs.
class tst_frmMainLdScreen : public QObject
{
    Q_OBJECT
private slots:
    void captionsRenderInJapanese();
};

void tst_frmMainLdScreen::captionsRenderInJapanese()
{
    QVERIFY2(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty(), "no Japanese font installed");

    StoreSandbox sandbox;
    sandbox.seedAccounts({ QStringLiteral("taro@livedoor"), QStringLiteral("花子") },
                         { QStringLiteral("x"), QStringLiteral("y") });
    Program program;
    program.Main();
    frmMainLd &window = program.mainLd();
    window.move(0, 0);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QStringList texts{ window.windowTitle() };
    for (const QPushButton *button : window.findChildren<QPushButton *>())
        texts << button->text();
    for (const QMenu *menu : window.findChildren<QMenu *>()) {
        texts << menu->title();
        for (const QAction *action : menu->actions())
            texts << action->text();
    }
    const QString missing = missingJapaneseGlyph(texts);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));

    // Kept as a test artefact: build/debug/tests/frmMainLd.png.
    const QImage shot = window.grab().toImage();
    QVERIFY(shot.save(QStringLiteral("frmMainLd.png")));
    QVERIFY(shot.width() >= window.centralWidget()->width());
    QCOMPARE(window.lbID->count(), 2);
}

QTEST_MAIN(tst_frmMainLdScreen)
#include "tst_frmmainld_screen.moc"
