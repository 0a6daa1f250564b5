#include "app/program.h"
#include "common/fakes.h"
#include "common/storesandbox.h"
#include "tray/traycallback.h"
#include "tray/windowvisibility.h"
#include "ui/about/frmabout.h"
#include "ui/main/frmmainld.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// What an About box showed while it was open.
struct Seen
{
    bool opened = false;
    QPointer<frmAbout> box;
    QString title;
    QMap<QString, QString> labels;
    QPoint position;
    bool topmost = false;
    bool modal = false;
    bool hasParent = true;
    bool foundByTray = false;
    int boxesOpen = 0;
};

QList<frmAbout *> openBoxes()
{
    QList<frmAbout *> boxes;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<frmAbout *>(widget); box && box->isVisible())
            boxes << box;
    return boxes;
}

// Chooses バージョン情報(V) in the settings window. While the modal box is open, `during`
// may act on it; then the box is closed with its OK button. Returns what was seen.
Seen chooseAbout(frmMainLd &window, const std::function<void(frmAbout *)> &during = {})
{
    Seen seen;
    QTimer::singleShot(0, &window, [&] {
        const QList<frmAbout *> boxes = openBoxes();
        seen.boxesOpen = int(boxes.size());
        if (boxes.isEmpty())
            return;
        frmAbout *box = boxes.first();
        seen.opened = true;
        seen.box = box;
        seen.title = box->windowTitle();
        for (QLabel *label : box->findChildren<QLabel *>())
            if (label->objectName().startsWith(QLatin1String("lbl")))
                seen.labels.insert(label->objectName(), label->text());
        seen.position = box->pos();
        seen.topmost = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        seen.modal = box->windowModality() == Qt::ApplicationModal
                && QApplication::activeModalWidget() == box;
        seen.hasParent = box->parentWidget() != nullptr;
        seen.foundByTray = openTrayModalDialog(QApplication::topLevelWidgets()) == box;
        if (during)
            during(box);
        QTest::mouseClick(box->cmdOK, Qt::LeftButton);
    });
    window.mnAbout->trigger();
    return seen;
}

Services withFakeUrlOpener()
{
    Services services;
    services.urlOpener = std::make_unique<FakeUrlOpener>();
    return services;
}

struct Fixture
{
    StoreSandbox sandbox;
    Program program{ withFakeUrlOpener() };
    Fixture()
    {
        program.start(true);
        program.visibility().ShowMainWindow();
    }
    frmMainLd &window() { return program.mainLd(); }
};

} // namespace

class tst_frmAbout : public QObject
{
    Q_OBJECT
private slots:
    void versionLabelText_data();
    void versionLabelText();
    void labelsShowTheVersionInformation_data();
    void labelsShowTheVersionInformation();
    void controlsAtDesignedGeometry_data();
    void controlsAtDesignedGeometry();
    void opensModalOnTheMainWindowCorner();
    void topmostFollowsTheFlag_data();
    void topmostFollowsTheFlag();
    void secondOpeningIsFreshAtTheNewPosition();
};

void tst_frmAbout::versionLabelText_data()
{
    QTest::addColumn<uint>("major");
    QTest::addColumn<uint>("minor");
    QTest::addColumn<uint>("revision");
    QTest::addColumn<QString>("text");
    QTest::newRow("zeros") << 0u << 0u << 0u << "ver.0.0.0";
    QTest::newRow("no leading zeros") << 10u << 1u << 2u << "ver.10.1.2";
    QTest::newRow("largest fields") << 65535u << 65535u << 65535u << "ver.65535.65535.65535";
}

void tst_frmAbout::versionLabelText()
{
    QFETCH(uint, major);
    QFETCH(uint, minor);
    QFETCH(uint, revision);
    QFETCH(QString, text);
    QCOMPARE(::versionLabelText(major, minor, revision), text);
}

// The box shows the program's version information: version 2.1.0.2 shows as
// major.minor.revision.
void tst_frmAbout::labelsShowTheVersionInformation_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("product") << "lblProductName" << "Yorumi@Livedoor";
    QTest::newRow("company") << "lblCompanyName" << "Yorumi Software";
    QTest::newRow("version") << "lblVirsion" << "ver.2.1.2";
    QTest::newRow("copyright") << "lblLegalCopyright" << "© 2006 Yorumi Software";
    QTest::newRow("trademark") << "lblLegalTrademarks" << "ヨルミ＠ライブドア";
}

void tst_frmAbout::labelsShowTheVersionInformation()
{
    QFETCH(QString, label);
    QFETCH(QString, text);

    Fixture f;
    const Seen seen = chooseAbout(f.window());
    QVERIFY(seen.opened);
    QCOMPARE(seen.title, QStringLiteral("バージョン情報"));
    QCOMPARE(seen.labels.size(), 5);
    QCOMPARE(seen.labels.value(label), text);
}

// Where each control was drawn, in pixels at the test platform's 96 dpi (15 twips to the
// pixel); each row ends with the twips it was drawn at.
void tst_frmAbout::controlsAtDesignedGeometry_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("pixels");
    QTest::newRow("pcbProduct") << "pcbProduct" << QRect(8, 8, 36, 36); // 120, 120, 540, 540
    QTest::newRow("lblProductName") << "lblProductName" << QRect(56, 8, 169, 17); // 840, 120, 2535, 255
    QTest::newRow("lblVirsion") << "lblVirsion" << QRect(56, 24, 169, 17); // 840, 360, 2535, 255
    QTest::newRow("lblLegalTrademarks") << "lblLegalTrademarks" << QRect(56, 40, 169, 17); // 840, 600, 2535, 255
    QTest::newRow("pcbCompany") << "pcbCompany" << QRect(8, 64, 36, 36); // 120, 960, 540, 540
    QTest::newRow("lblCompanyName") << "lblCompanyName" << QRect(56, 64, 169, 17); // 840, 960, 2535, 255
    QTest::newRow("lblLegalCopyright") << "lblLegalCopyright" << QRect(56, 80, 169, 17); // 840, 1200, 2535, 255
    QTest::newRow("cmdOK") << "cmdOK" << QRect(168, 96, 52, 17); // 2520, 1440, 780, 255
}

void tst_frmAbout::controlsAtDesignedGeometry()
{
    QFETCH(QString, name);
    QFETCH(QRect, pixels);

    StoreSandbox sandbox;
    Program program;
    QPointer<frmAbout> box = new frmAbout(program.shared());
    QCOMPARE(QSize(box->logicalDpiX(), box->logicalDpiY()), QSize(96, 96));
    QWidget *control = box->findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->parentWidget(), box.data());
    QCOMPARE(control->geometry(), pixels);

    QCOMPARE(box->size(), QSize(228, 122)); // 3420 x 1830
    QCOMPARE(box->cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(box->font().families().value(0), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(box->font().pointSize(), 9);
    // The rule runs from (120, 840) to (3360, 840) twips.
    QCOMPARE(box->Line1->frameShape(), QFrame::HLine);
    QCOMPARE(box->Line1->geometry().topLeft(), QPoint(8, 56));
    QCOMPARE(box->Line1->geometry().right() + 1, 224);
    // The pictures show 32 x 32 images.
    QCOMPARE(box->pcbProduct->pixmap().size(), QSize(32, 32));
    QCOMPARE(box->pcbCompany->pixmap().size(), QSize(32, 32));

    // Closing unloads the box.
    box->show();
    box->cmdOK_Click();
    QTRY_VERIFY(box.isNull());
}

void tst_frmAbout::opensModalOnTheMainWindowCorner()
{
    Fixture f;
    frmMainLd &window = f.window();
    window.move(130, 70);
    QCOMPARE(f.program.shared().rememberedLeft, 0);

    const Seen seen = chooseAbout(window);
    QVERIFY(seen.opened);
    QCOMPARE(seen.boxesOpen, 1);
    // The position is remembered first, then the box opens on it.
    // In twips: 15 to the pixel at the test platform's 96 dpi.
    QCOMPARE(f.program.shared().rememberedLeft, 1950);
    QCOMPARE(f.program.shared().rememberedTop, 1050);
    QCOMPARE(seen.position, QPoint(130, 70));
    QVERIFY(seen.modal);
    QVERIFY(!seen.hasParent);
    QVERIFY(seen.foundByTray);
    QVERIFY(!seen.topmost);
    // OK unloaded it; the settings window is where it was.
    QVERIFY(seen.box.isNull());
    QVERIFY(openBoxes().isEmpty());
    QVERIFY(window.isVisible());
    QCOMPARE(window.pos(), QPoint(130, 70));
}

void tst_frmAbout::topmostFollowsTheFlag_data()
{
    QTest::addColumn<bool>("alwaysOnTop");
    QTest::newRow("flag set") << true;
    QTest::newRow("flag clear") << false;
}

void tst_frmAbout::topmostFollowsTheFlag()
{
    QFETCH(bool, alwaysOnTop);
    Fixture f;
    frmMainLd &window = f.window();
    window.move(200, 100);
    if (alwaysOnTop)
        window.mnWindowPos->trigger();
    QCOMPARE(f.program.shared().alwaysOnTop, alwaysOnTop ? kVbTrue : kVbFalse);

    const Seen seen = chooseAbout(window);
    QVERIFY(seen.opened);
    QCOMPARE(seen.topmost, alwaysOnTop);
    QCOMPARE(seen.position, QPoint(200, 100));

    // Clearing the flag again gives an ordinary box the next time.
    if (alwaysOnTop) {
        window.mnWindowPos->trigger();
        const Seen again = chooseAbout(window);
        QVERIFY(again.opened);
        QVERIFY(!again.topmost);
    }
}

void tst_frmAbout::secondOpeningIsFreshAtTheNewPosition()
{
    Fixture f;
    frmMainLd &window = f.window();
    window.move(10, 20);
    const Seen first = chooseAbout(window, [](frmAbout *box) {
        // Spoil the open box: none of this may survive into the next opening.
        box->lblVirsion->setText(QStringLiteral("stale"));
        box->move(500, 400);
    });
    QVERIFY(first.opened);
    QCOMPARE(first.position, QPoint(10, 20));
    QVERIFY(first.box.isNull());

    window.move(300, 240);
    const Seen second = chooseAbout(window);
    QVERIFY(second.opened);
    QCOMPARE(second.boxesOpen, 1);
    QCOMPARE(second.position, QPoint(300, 240));
    QCOMPARE(second.labels.value("lblVirsion"), QStringLiteral("ver.2.1.2"));
    QVERIFY(!second.topmost);
    QVERIFY(second.box.isNull());
}

QTEST_MAIN(tst_frmAbout)
#include "tst_frmabout.moc"
