#include "app/program.h"
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
    const QStringList japaneseFamilies = QFontDatabase::families(QFontDatabase::Japanese);
    QVERIFY2(!japaneseFamilies.isEmpty(), "no Japanese font installed");

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
    for (const QString &text : std::as_const(texts)) {
        for (const char32_t c : text.toUcs4()) {
            if (c < 0x80)
                continue;
            bool covered = false;
            for (const QString &family : japaneseFamilies)
                covered = covered || QFontMetrics(QFont(family)).inFontUcs4(c);
            QVERIFY2(covered, qPrintable(QStringLiteral("no glyph for U+%1 in \"%2\"")
                                                 .arg(uint(c), 4, 16, QLatin1Char('0'))
                                                 .arg(text)));
        }
    }

    // Kept as a test artefact: build/debug/tests/frmMainLd.png.
    const QImage shot = window.grab().toImage();
    QVERIFY(shot.save(QStringLiteral("frmMainLd.png")));
    QVERIFY(shot.width() >= window.centralWidget()->width());
    QCOMPARE(window.lbID->count(), 2);
}

QTEST_MAIN(tst_frmMainLdScreen)
#include "tst_frmmainld_screen.moc"
