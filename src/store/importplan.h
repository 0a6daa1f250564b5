#pragma once

#include "store/accountfile.h"
#include "store/accountlist.h"

#include <QList>
#include <QStringList>

// What becomes of each row of a file taken in. The rows are taken one after another, in the
// order of the file, over the accounts listed and those the rows before them added: an ID not
// listed is added after the accounts (while fewer than the limit are listed), and a listed ID
// whose password differs takes the row's password in the first slot that holds it. A row is
// left out when the user unticked it; one with a blank ID is never taken.
enum class ImportDecision {
    // 追加
    Add,
    // パスワードを更新
    UpdatePassword,
    // 変更なし: a slot of the ID has that password already, or the row has none to give.
    Unchanged,
    // Not taken: the list is full.
    OverLimit,
    // Not taken: the ID is blank.
    BlankId,
    // Not taken: unticked.
    LeftOut,
};

struct ImportPlan
{
    QList<ImportDecision> decisions;
    // The change that writes the rows taken, worked out over the accounts seen.
    ListChange change;

    int count(ImportDecision decision) const { return int(decisions.count(decision)); }
};

// The plan of taking `rows` (those `ticked`) into the accounts `seen`, whose slots have the
// passwords `passwords` (as the program finds them: in the keyring, the store's are empty), at
// most `capacity` accounts in all.
ImportPlan planImport(const AccountList &seen, const QStringList &passwords, const QList<ImportedAccount> &rows,
                      const QList<bool> &ticked, int capacity);
