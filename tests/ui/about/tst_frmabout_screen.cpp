#include "app/program.h"
#include "common/fakes.h"
#include "common/glyphs.h"
#include "common/storesandbox.h"
#include "tray/windowvisibility.h"
#include "ui/about/frmabout.h"
#include "ui/main/frmmainld.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// The About box on a real X display: every text drawn with real glyphs and whole.
class tst_frmAboutScreen : public QObject
{
    Q_OBJECT
private slots:
    void aboutBoxRendersWhole();
};

void tst_frmAboutScreen::aboutBoxRendersWhole()
{
    QVERIFY2(!QFontDatabase::families(QFontDatabase::Japanese).isEmpty(), "no Japanese font installed");

    StoreSandbox sandbox;
    Services services;
    services.urlOpener = std::make_unique<FakeUrlOpener>();
    Program program(std::move(services));
    program.start(true);
    program.visibility().ShowMainWindow();
    frmMainLd &window = program.mainLd();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Looked at while the modal box is open, then closed with OK.
    bool exposed = false;
    QImage shot;
    QStringList texts;
    QStringList clipped;
    QTimer::singleShot(0, &window, [&] {
        frmAbout *box = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
        if (!box)
            return;
        exposed = QTest::qWaitForWindowExposed(box);
        texts << box->windowTitle();
        for (const QLabel *label : box->findChildren<QLabel *>()) {
            if (label->text().isEmpty())
                continue;
            texts << label->text();
            const int advance = QFontMetrics(label->font()).horizontalAdvance(label->text());
            if (advance > label->width())
                clipped << QStringLiteral("%1 needs %2 px of %3")
                                   .arg(label->objectName()).arg(advance).arg(label->width());
        }
        texts << box->cmdOK->text();
        shot = box->grab().toImage();
        QTest::mouseClick(box->cmdOK, Qt::LeftButton);
    });
    window.mnAbout->trigger();

    // Kept as a test artefact: build/debug/tests/frmAbout.png.
    QVERIFY(!shot.isNull());
    QVERIFY(shot.save(QStringLiteral("frmAbout.png")));
    QVERIFY(exposed);
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral(", "))));
    QVERIFY(texts.contains(QStringLiteral("ヨルミ＠ライブドア")));
    const QString missing = missingJapaneseGlyph(texts);
    QVERIFY2(missing.isEmpty(), qPrintable(missing));
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

QTEST_MAIN(tst_frmAboutScreen)
#include "tst_frmabout_screen.moc"
