#include "app/program.h"
#include "common/storesandbox.h"
#include "ui/about/frmabout.h"
#include "ui/common/quietmessages.h"
#include "ui/main/frmmainld.h"
#include "ui/main/frmregistry.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <functional>

// The program's windows on a Wayland compositor (Weston's headless backend, which wayland.sh
// starts). They open and take input; what Wayland leaves to the compositor (where a window
// goes, whether it stays on top) keeps its check mark and state, and nothing warns.
class tst_wayland : public QObject
{
    Q_OBJECT
private slots:
    void windowsOpenAndTakeInput();
};

namespace {

// Runs `use` on the modal window that `open` brings up, once it is on screen, then closes it.
// Returns what `use` found wrong; empty when all was well.
QString withModal(const std::function<void()> &open, const std::function<QString(QWidget *)> &use)
{
    QString problem = QStringLiteral("no modal window opened");
    QTimer::singleShot(0, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        problem = QTest::qWaitForWindowExposed(modal) ? use(modal) : QStringLiteral("never shown");
        modal->close();
    });
    open();
    return problem;
}

} // namespace

void tst_wayland::windowsOpenAndTakeInput()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    installQuietMessages();
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));

    StoreSandbox sandbox;
    sandbox.seedAccounts({ QStringLiteral("alice") }, { QStringLiteral("pw") });
    Program program;
    program.Main(); // no notification area here: the settings window is the way in
    frmMainLd &window = program.mainLd();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    window.mnWindowPos->trigger();
    QVERIFY(window.mnWindowPos->isChecked());
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QString problem = withModal([&] { window.cmdNEW->click(); }, [](QWidget *modal) {
        auto *dialog = qobject_cast<frmRegistry *>(modal);
        if (!dialog)
            return QStringLiteral("not the entry dialog");
        QTest::keyClicks(dialog->txtID, QStringLiteral("bob"));
        return dialog->txtID->text() == QLatin1String("bob") ? QString() : QStringLiteral("typing did not reach the ID field");
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    problem = withModal([&] { window.mnAbout_Click(); }, [](QWidget *modal) {
        return qobject_cast<frmAbout *>(modal) ? QString() : QStringLiteral("not the About box");
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // With no row selected, 削除 says so in a message box, which takes the Enter key.
    window.lbID->clearSelection();
    problem = withModal([&] { window.cmdDELETE->click(); }, [](QWidget *modal) {
        if (!qobject_cast<QMessageBox *>(modal))
            return QStringLiteral("not a message box");
        QTest::keyClick(modal, Qt::Key_Return);
        return modal->isVisible() ? QStringLiteral("Enter did not close the message box") : QString();
    });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    window.mnWindowPos->trigger();
    QVERIFY(!window.mnWindowPos->isChecked());
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
}

QTEST_MAIN(tst_wayland)
#include "tst_wayland.moc"
