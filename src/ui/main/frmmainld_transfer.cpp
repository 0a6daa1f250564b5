#include "ui/main/frmmainld.h"

#include "links/hosts.h"
#include "platform/privatefile.h"
#include "store/accountfile.h"
#include "store/accounts.h"
#include "store/passwords.h"
#include "ui/common/inputpause.h"
#include "ui/common/messagebox.h"
#include "ui/common/passwordproblems.h"
#include "ui/main/frmimport.h"
#include "ui/main/statusbar.h"

#include <QDir>
#include <QFileDialog>
#include <QPointer>

namespace {

const QString kFileTypes = QStringLiteral("パスワードのファイル (*.csv *.reg);;すべてのファイル (*)");

} // namespace

void frmMainLd::mnImport_Click()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("インポートするファイル"),
                                                      QDir::homePath(), kFileTypes);
    if (!path.isEmpty())
        importFile(path, [](const ImportOutcome &) {});
}

void frmMainLd::importFile(const QString &path, const std::function<void(const ImportOutcome &)> &done)
{
    // A file that cannot be read changes nothing, and says why and where. (Whoever waits for the
    // outcome hears of it first: the message box waits for the user.)
    const ImportResult read = readAccountFile(path);
    if (const auto *failure = std::get_if<ImportFailure>(&read)) {
        done({ ImportOutcome::Kind::Unreadable, *failure });
        m_uses.messageBoxes.show(this, QStringLiteral("%1を読み込めませんでした。\n%2")
                                               .arg(QDir::toNativeSeparators(path), importFailureText(*failure)),
                                 MessageBoxes::Buttons::Ok);
        return;
    }
    const ImportedFile file = std::get<ImportedFile>(read);
    if (file.accounts.isEmpty()) {
        done({ ImportOutcome::Kind::NoAccounts });
        m_uses.messageBoxes.show(this, kNoAccountInFile, MessageBoxes::Buttons::Ok);
        return;
    }
    // The preview compares the rows with the passwords the program finds, which may be in the
    // keyring; the window takes no input while they are read, or written.
    m_input->pause();
    QPointer<frmMainLd> self(this);
    m_uses.passwords.fetchAll([self, path, file, done](Passwords::Problem problem, const AccountList &seen,
                                                       const QStringList &passwords) {
        if (!self)
            return;
        self->m_input->resume();
        if (problem != Passwords::Problem::None) {
            done({ ImportOutcome::Kind::NotRead, {}, problem });
            showPasswordProblem(self->m_uses.messageBoxes, self, problem, PasswordUse::Read);
            return;
        }
        frmImport preview(path, file, seen, passwords, self);
        if (preview.exec() != QDialog::Accepted || !self)
            return done({ ImportOutcome::Kind::Cancelled });
        const ImportPlan plan = preview.plan();
        const int added = plan.count(ImportDecision::Add);
        const int updated = plan.count(ImportDecision::UpdatePassword);
        if (added + updated == 0) {
            self->SB->setText(QStringLiteral("インポートで変わるアカウントはありませんでした。"));
            return done({ ImportOutcome::Kind::Written });
        }
        // Every row taken reaches the store in one compare-and-write, over the list previewed.
        self->edit(
                [self, plan, done](Passwords::Done shown) {
                    self->m_uses.passwords.takeIn(plan.change, [shown, done](Passwords::Problem problem) {
                        done({ problem == Passwords::Problem::None ? ImportOutcome::Kind::Written
                                                                   : ImportOutcome::Kind::NotWritten,
                               {}, problem });
                        shown(problem);
                    });
                },
                [self, added, updated] {
                    self->SB->setText(QStringLiteral("%1件のアカウントを追加し、%2件のパスワードを更新しました。")
                                              .arg(added)
                                              .arg(updated));
                });
    });
}

void frmMainLd::mnExport_Click()
{
    m_uses.accounts.refresh();
    if (m_uses.accounts.count() == 0) {
        m_uses.messageBoxes.show(this, QStringLiteral("エクスポートするアカウントがありません。"), MessageBoxes::Buttons::Ok);
        return;
    }
    if (m_uses.messageBoxes.show(this,
                                 QStringLiteral("エクスポートするファイルには、パスワードが暗号化されずに書き込まれます。\n"
                                                "ほかの人が読めない場所に保存し、使い終わったら削除してください。"),
                                 MessageBoxes::Buttons::OkCancel)
        != MessageBoxes::Answer::Ok)
        return;
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("エクスポート先"),
                                                      QDir::home().filePath(QStringLiteral("livedoor-accounts.csv")),
                                                      QStringLiteral("CSVファイル (*.csv)"));
    if (path.isEmpty())
        return;
    m_input->pause();
    QPointer<frmMainLd> self(this);
    m_uses.passwords.fetchAll([self, path](Passwords::Problem problem, const AccountList &seen,
                                           const QStringList &passwords) {
        if (!self)
            return;
        self->m_input->resume();
        if (problem != Passwords::Problem::None)
            return showPasswordProblem(self->m_uses.messageBoxes, self, problem, PasswordUse::Read);
        // Written as the store is: readable by its owner only, whole or not at all.
        const QByteArray csv = chromiumCsv(httpsUrl(Host::MemberLogin, QStringLiteral("/login/")), seen.ids, passwords);
        self->SB->setText(PrivateFile::replace(path, csv)
                                  ? QStringLiteral("%1件のアカウントをエクスポートしました。").arg(seen.size())
                                  : QStringLiteral("エクスポートできませんでした。"));
    });
}
