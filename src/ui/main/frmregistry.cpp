#include "ui/main/frmregistry.h"

#include "store/accounts.h"
#include "store/passwords.h"
#include "ui/common/inputpause.h"
#include "ui/common/messagebox.h"
#include "ui/common/passwordproblems.h"
#include "ui/common/placement.h"
#include "ui/common/twips.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {

// Client area in twips.
constexpr int kRegistryClientWidth = 3345;
constexpr int kRegistryClientHeight = 1035;

// The layout was drawn for a 9-point system font: with a larger desktop font a caption would
// run under the text box beside it, so the captions shrink together until each one fits.
void fitCaptions(std::initializer_list<QLabel *> labels, int widthPixels)
{
    QFont font = (*labels.begin())->font();
    const bool inPoints = font.pointSizeF() > 0;
    auto fits = [&] {
        const QFontMetrics metrics(font);
        for (const QLabel *label : labels)
            if (metrics.horizontalAdvance(label->text()) > widthPixels)
                return false;
        return true;
    };
    constexpr qreal kSmallest = 6;
    while (!fits() && (inPoints ? font.pointSizeF() : font.pixelSize()) > kSmallest) {
        if (inPoints)
            font.setPointSizeF(font.pointSizeF() - 0.5);
        else
            font.setPixelSize(font.pixelSize() - 1);
    }
    for (QLabel *label : labels)
        label->setFont(font);
}

} // namespace

frmRegistry::frmRegistry(const Uses &uses, QWidget *parent)
    : QDialog(parent)
    , m_uses(uses)
{
    setObjectName(QStringLiteral("frmRegistry"));
    setWindowTitle(QStringLiteral("入力画面"));
    setFixedSize(twipsToPixels(kRegistryClientWidth, logicalDpiX()),
                 twipsToPixels(kRegistryClientHeight, logicalDpiY()));

    lblID = new QLabel(QStringLiteral("I  D"), this);
    lblID->setObjectName(QStringLiteral("lblID"));
    placeInTwips(lblID, 0, 120, 1005, 180);

    txtID = new QLineEdit(this);
    txtID->setObjectName(QStringLiteral("txtID"));
    placeInTwips(txtID, 960, 0, 2295, 270);

    lblPASSWORD = new QLabel(QStringLiteral("PASSWORD"), this);
    lblPASSWORD->setObjectName(QStringLiteral("lblPASSWORD"));
    placeInTwips(lblPASSWORD, 0, 360, 1005, 180);

    txtPW = new QLineEdit(this);
    txtPW->setObjectName(QStringLiteral("txtPW"));
    txtPW->setEchoMode(QLineEdit::Password);
    // Styles pick their own mask character (often a dot); this box shows every character as '*'.
    txtPW->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    placeInTwips(txtPW, 960, 360, 2295, 270);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    placeInTwips(cmdOK, 960, 720, 1095, 255);

    cmdCANCEL = new QPushButton(QStringLiteral("キャンセル"), this);
    cmdCANCEL->setObjectName(QStringLiteral("cmdCANCEL"));
    placeInTwips(cmdCANCEL, 2160, 720, 1095, 255);

    fitCaptions({ lblID, lblPASSWORD }, txtID->x() - lblID->x());
    // A screen reader names each box by the caption beside it.
    lblID->setBuddy(txtID);
    lblPASSWORD->setBuddy(txtPW);

    m_input = std::make_unique<InputPause>(*this, *txtID);
    setTabOrder(txtID, txtPW);
    setTabOrder(txtPW, cmdOK);
    setTabOrder(cmdOK, cmdCANCEL);

    connect(cmdOK, &QPushButton::clicked, this, &frmRegistry::cmdOK_Click);
    connect(cmdCANCEL, &QPushButton::clicked, this, &frmRegistry::cmdCANCEL_Click);
}

frmRegistry::~frmRegistry() = default;

void frmRegistry::Form_Load(const QString &password)
{
    placeDialogAtRememberedPosition(this, m_uses.shared);
    const Accounts &accounts = m_uses.accounts;
    m_slot = m_uses.shared.selectedSlot;
    m_adding = m_slot >= accounts.count();
    m_seen = accounts.list();
    txtID->setText(accounts.id(m_slot));
    txtPW->setText(m_adding ? QString() : password);
}

void frmRegistry::cmdOK_Click()
{
    MessageBoxes &boxes = m_uses.messageBoxes;
    const QString id = txtID->text();
    const QString password = txtPW->text();
    // An ID of nothing but blanks would end the tray's menus of accounts at it.
    if (isBlankId(id)) {
        boxes.show(this, QStringLiteral("IDを入力してください。"), MessageBoxes::Buttons::Ok);
        return;
    }
    if (password.isEmpty()) {
        boxes.show(this, QStringLiteral("パスワードを入力してください。"), MessageBoxes::Buttons::Ok);
        return;
    }
    if (boxes.show(this, QStringLiteral("登録いたします。"), MessageBoxes::Buttons::OkCancel)
        != MessageBoxes::Answer::Ok)
        return;

    if (!m_adding)
        return store(m_seen, m_slot, id, password);
    // A new account goes after the accounts stored now, hand-written ones included.
    Accounts &accounts = m_uses.accounts;
    accounts.refresh();
    if (accounts.count() >= AccountTable::kSlots) {
        boxes.show(this, kTooManyAccounts, MessageBoxes::Buttons::Ok);
        return;
    }
    store(accounts.list(), qint16(accounts.count()), id, password);
}

void frmRegistry::store(const AccountList &seen, qint16 slot, const QString &id, const QString &password)
{
    // A write that does not reach the store (or the keyring) is reported and keeps the dialog
    // open with what was typed; the table then takes nothing, so it never holds an account
    // that the store lacks. The keyring may take a while: the dialog waits for it.
    m_input->pause();
    QPointer<frmRegistry> self(this);
    m_uses.passwords.put(seen, slot, id, password, [self, seen, slot, id, password](Passwords::Problem problem) {
        if (!self)
            return;
        self->m_input->resume();
        MessageBoxes &boxes = self->m_uses.messageBoxes;
        if (problem == Passwords::Problem::AccountChanged && !self->m_adding) {
            // The account shown was written meanwhile, where it was: it is written over only
            // when the user says so.
            if (boxes.show(self, QStringLiteral("このアカウントは入力中に変更されました。上書きいたします。"),
                           MessageBoxes::Buttons::OkCancel)
                        != MessageBoxes::Answer::Ok
                || !self)
                return;
            Accounts &accounts = self->m_uses.accounts;
            accounts.refresh();
            return self->store(accounts.list(), slot, id, password);
        }
        if (problem == Passwords::Problem::ListChanged || problem == Passwords::Problem::AccountChanged) {
            self->m_listChanged = true;
            self->reject();
            return;
        }
        if (problem != Passwords::Problem::None) {
            showPasswordProblem(boxes, self, problem, PasswordUse::Write);
            return;
        }
        self->m_replacedId = self->m_adding ? QString() : seen.ids.value(slot);
        self->accept();
    });
}

void frmRegistry::cmdCANCEL_Click()
{
    reject();
}
