#include "ui/main/frmregistry.h"

#include "app/placement.h"
#include "app/program.h"
#include "app/twips.h"
#include "tray/frmtasktray.h"
#include "tray/windowvisibility.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// Client area in twips.
constexpr int kClientWidth = 3345;
constexpr int kClientHeight = 1035;

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

bool writeAccountSlot(Program &program, qint16 slot, const QString &id, const QString &password)
{
    return writeAccountSlots(program, { { slot, id, password } }, {});
}

bool writeAccountSlots(Program &program, const QList<SettingsStore::SlotWrite> &writes,
                       const QList<int> &removedSlots)
{
    const qint16 edition = program.shared.editionCode;
    const auto inTable = [edition](int slot) {
        return slot >= 0 && slot < AccountTable::kSlots && AccountTable::isValid(edition, qint16(slot));
    };
    for (const SettingsStore::SlotWrite &write : writes)
        if (!inTable(write.slot))
            return false;
    for (int slot : removedSlots)
        if (!inTable(slot))
            return false;
    if (!program.store.writeSlots(SettingsAppName(edition), writes, removedSlots))
        return false;
    for (const SettingsStore::SlotWrite &write : writes)
        program.table.set(edition, qint16(write.slot), write.id, write.password);
    for (int slot : removedSlots)
        program.table.set(edition, qint16(slot), QString(), QString());
    return true;
}

frmRegistry::frmRegistry(Program &program, QWidget *parent)
    : QDialog(parent)
    , m_program(program)
{
    setObjectName(QStringLiteral("frmRegistry"));
    setWindowTitle(QStringLiteral("入力画面"));
    setFixedSize(twipsToPixels(kClientWidth, logicalDpiX()),
                 twipsToPixels(kClientHeight, logicalDpiY()));

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

    setTabOrder(txtID, txtPW);
    setTabOrder(txtPW, cmdOK);
    setTabOrder(cmdOK, cmdCANCEL);

    connect(cmdOK, &QPushButton::clicked, this, &frmRegistry::cmdOK_Click);
    connect(cmdCANCEL, &QPushButton::clicked, this, &frmRegistry::cmdCANCEL_Click);
}

frmRegistry::~frmRegistry() = default;

void frmRegistry::Form_Load()
{
    placeDialogAtRememberedPosition(this);
    const SharedValues &shared = m_program.shared;
    txtID->setText(m_program.table.id(shared.editionCode, shared.selectedSlot));
    txtPW->setText(m_program.table.password(shared.editionCode, shared.selectedSlot));
}

void frmRegistry::cmdOK_Click()
{
    MessageBoxes &boxes = *m_program.messageBoxes;
    const QString id = txtID->text();
    const QString password = txtPW->text();
    // Only an exactly empty box is refused: blanks are input.
    if (id.isEmpty()) {
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

    SharedValues &shared = m_program.shared;
    // A write that does not reach the store is reported and keeps the dialog open with what was
    // typed; the table then takes nothing, so it never holds an account that the store lacks.
    if (!writeAccountSlot(m_program, shared.selectedSlot, id, password)) {
        shared.dialogCommitted = kVbFalse;
        boxes.show(this, QStringLiteral("エラーが発生しました。"), MessageBoxes::Buttons::Ok);
        return;
    }
    shared.dialogCommitted = kVbTrue;
    RebuildTrayMenus();
    accept();
}

void frmRegistry::cmdCANCEL_Click()
{
    m_program.shared.dialogCommitted = kVbFalse;
    reject();
}
