#pragma once

#include "store/accountfile.h"
#include "store/accountlist.h"
#include "store/importplan.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The preview of a file's accounts before they are taken in, "インポート": each row's ID and what
// becomes of it (追加, パスワードを更新, 変更なし, or why it is not taken), every row ticked to be
// taken at first. Unticking a row takes it out, and the others' outcomes follow (a row past the
// limit of accounts may fit then). OK ends it Accepted with the plan of the rows ticked;
// キャンセル ends it Rejected. The passwords are never shown.
class frmImport : public QDialog
{
    Q_OBJECT
public:
    // `seen`: the listed accounts the rows are taken into, each slot with the password the
    // program finds for it (`passwords`).
    frmImport(const QString &path, const ImportedFile &file, const AccountList &seen, const QStringList &passwords,
              QWidget *parent = nullptr);

    // What taking the rows ticked does.
    const ImportPlan &plan() const { return m_plan; }

    // Controls.
    QLabel *lblFile;
    QTreeWidget *lvRows;
    QLabel *lblSummary;
    QPushButton *cmdOK;
    QPushButton *cmdCANCEL;

private:
    void lvRows_itemChanged(QTreeWidgetItem *item, int column);
    // Works the plan out again for the rows ticked and shows it.
    void showPlan();

    const ImportedFile m_file;
    const AccountList m_seen;
    const QStringList m_passwords;
    ImportPlan m_plan;
};

// What the program says of a file that holds no account of the portal.
inline const QString kNoAccountInFile = QStringLiteral("このファイルにはライブドアのアカウントがありません。");

// The words the preview shows for a row's outcome.
QString importDecisionText(ImportDecision decision);
// Why a file could not be read, and on which line.
QString importFailureText(const ImportFailure &failure);
// The name a file's format goes by.
QString importFormatName(ImportFormat format);
