#include "ui/main/frmimport.h"

#include "store/accounttable.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum ImportColumn { kIdColumn, kOutcomeColumn, kLineColumn };

} // namespace

QString importDecisionText(ImportDecision decision)
{
    switch (decision) {
    case ImportDecision::Add:
        return QStringLiteral("追加");
    case ImportDecision::UpdatePassword:
        return QStringLiteral("パスワードを更新");
    case ImportDecision::Unchanged:
        return QStringLiteral("変更なし");
    case ImportDecision::OverLimit:
        return QStringLiteral("取り込みません（IDは100個まで）");
    case ImportDecision::BlankId:
        return QStringLiteral("取り込みません（IDが空欄）");
    case ImportDecision::LeftOut:
        break;
    }
    return QStringLiteral("取り込みません");
}

QString importFormatName(ImportFormat format)
{
    switch (format) {
    case ImportFormat::Chromium:
        return QStringLiteral("Chrome/Chromium/Edge のCSV");
    case ImportFormat::Firefox:
        return QStringLiteral("Firefox のCSV");
    case ImportFormat::KeePassXc:
        return QStringLiteral("KeePassXC のCSV");
    case ImportFormat::Bitwarden:
        return QStringLiteral("Bitwarden のCSV");
    case ImportFormat::Registry:
        break;
    }
    return QStringLiteral("Windows版のレジストリ");
}

QString importFailureText(const ImportFailure &failure)
{
    using Reason = ImportFailure::Reason;
    QString why;
    switch (failure.reason) {
    case Reason::Unreadable:
        why = QStringLiteral("ファイルを開けません。");
        break;
    case Reason::TooLarge:
        why = QStringLiteral("ファイルが大きすぎます（16MBまで）。");
        break;
    case Reason::UnknownFormat:
        why = QStringLiteral("対応していない形式です（Chrome、Firefox、KeePassXC、Bitwarden のCSV、"
                             "Windows版のレジストリを読み込めます）。");
        break;
    case Reason::BrokenQuoting:
        why = QStringLiteral("引用符（\"）が閉じられていないか、その後に余分な文字があります。");
        break;
    case Reason::BrokenLine:
        why = QStringLiteral("行の形式が正しくありません。");
        break;
    case Reason::WrongEncoding:
        why = QStringLiteral("文字コードが正しくありません（CSVはUTF-8、レジストリはUTF-16かShift_JISです）。");
        break;
    }
    return failure.line > 0 ? QStringLiteral("%1行目: %2").arg(failure.line).arg(why) : why;
}

frmImport::frmImport(const QString &path, const ImportedFile &file, const AccountList &seen,
                     const QStringList &passwords, QWidget *parent)
    : QDialog(parent)
    , m_file(file)
    , m_seen(seen)
    , m_passwords(passwords)
{
    setObjectName(QStringLiteral("frmImport"));
    setWindowTitle(QStringLiteral("インポート"));
    auto *layout = new QVBoxLayout(this);

    QString about = QStringLiteral("%1（%2）: %3件")
                            .arg(QFileInfo(path).fileName(), importFormatName(file.format))
                            .arg(file.accounts.size());
    if (file.otherSites > 0)
        about += QStringLiteral("\nほかのサイトの%1件は取り込みません。").arg(file.otherSites);
    lblFile = new QLabel(about, this);
    lblFile->setObjectName(QStringLiteral("lblFile"));
    layout->addWidget(lblFile);

    lvRows = new QTreeWidget(this);
    lvRows->setObjectName(QStringLiteral("lvRows"));
    lvRows->setAccessibleName(QStringLiteral("取り込むID"));
    lvRows->setRootIsDecorated(false);
    lvRows->setUniformRowHeights(true);
    lvRows->setHeaderLabels({ QStringLiteral("ID"), QStringLiteral("結果"), QStringLiteral("行") });
    for (const ImportedAccount &account : file.accounts) {
        auto *item = new QTreeWidgetItem(lvRows, { account.id, QString(), QString::number(account.line) });
        item->setTextAlignment(kLineColumn, Qt::AlignRight | Qt::AlignVCenter);
        item->setCheckState(kIdColumn, Qt::Checked);
    }
    lvRows->header()->setSectionResizeMode(kIdColumn, QHeaderView::Stretch);
    lvRows->header()->setSectionResizeMode(kOutcomeColumn, QHeaderView::ResizeToContents);
    lvRows->header()->setSectionResizeMode(kLineColumn, QHeaderView::ResizeToContents);
    lvRows->header()->setStretchLastSection(false);
    layout->addWidget(lvRows);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    layout->addWidget(lblSummary);

    auto *buttons = new QDialogButtonBox(this);
    cmdOK = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCANCEL = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cmdCANCEL->setObjectName(QStringLiteral("cmdCANCEL"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(lvRows, &QTreeWidget::itemChanged, this, &frmImport::lvRows_itemChanged);
    showPlan();
    resize(480, 360);
    lvRows->setFocus();
}

void frmImport::lvRows_itemChanged(QTreeWidgetItem *, int column)
{
    if (column == kIdColumn)
        showPlan();
}

void frmImport::showPlan()
{
    QList<bool> ticked;
    for (int row = 0; row < lvRows->topLevelItemCount(); ++row)
        ticked.append(lvRows->topLevelItem(row)->checkState(kIdColumn) == Qt::Checked);
    m_plan = planImport(m_seen, m_passwords, m_file.accounts, ticked, AccountTable::kSlots);
    // Showing the outcomes changes the items, which must not start another round.
    const QSignalBlocker blocker(lvRows);
    for (int row = 0; row < lvRows->topLevelItemCount(); ++row) {
        QTreeWidgetItem *item = lvRows->topLevelItem(row);
        const ImportDecision decision = m_plan.decisions[row];
        item->setText(kOutcomeColumn, importDecisionText(decision));
        // A blank ID is never taken: its row cannot be ticked.
        if (decision == ImportDecision::BlankId) {
            item->setCheckState(kIdColumn, Qt::Unchecked);
            item->setFlags(item->flags() & ~(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled));
        }
    }
    const int notTaken = m_plan.count(ImportDecision::OverLimit) + m_plan.count(ImportDecision::BlankId)
            + m_plan.count(ImportDecision::LeftOut);
    QString summary = QStringLiteral("追加 %1件、パスワードを更新 %2件、変更なし %3件")
                              .arg(m_plan.count(ImportDecision::Add))
                              .arg(m_plan.count(ImportDecision::UpdatePassword))
                              .arg(m_plan.count(ImportDecision::Unchanged));
    if (notTaken > 0)
        summary += QStringLiteral("、取り込まない %1件").arg(notTaken);
    lblSummary->setText(summary);
}
