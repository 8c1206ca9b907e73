#include "selectstatdialog.h"

#include "host/controls/actions.h"

#include <QFont>

namespace telmod {

using namespace vorn;

TSelectStatForm::TSelectStatForm(QWidget* owner, const Design& design)
    // A dialog owned by a screen is centred on the main window the screen sits in.
    : QDialog(owner != nullptr ? owner->window() : nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint |
                                                                Qt::WindowTitleHint |
                                                                Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("Selecteer statistiek"));
    setModal(true);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(design.client);

    VornLabel1 =
        new TVornLabel(QStringLiteral("Het programma kon uit de formulieromschrijving niet het soort\n"
                                      "statistiek afleiden dat gedrukt moet worden. \n"
                                      "Gelieve de gewenste statistiek te selecteren:"),
                       this);
    VornLabel1->setObjectName(QStringLiteral("VornLabel1"));
    VornLabel1->setAlignment(Qt::AlignCenter);
    VornLabel1->setGeometry(0, 0, design.client.width(), 65);

    RGStats = new TVornRadioGroup(QStringLiteral("Statistiek"), design.items, this);
    RGStats->setObjectName(QStringLiteral("RGStats"));
    RGStats->setGeometry(QRect(QPoint(39, 56), design.radioGroup));
    RGStats->SetItemIndex(0);

    BCancel = new TVornButton(this);
    BCancel->setText(QStringLiteral("&Annuleren"));
    BCancel->setObjectName(QStringLiteral("BCancel"));
    BCancel->setGeometry(232, design.buttonTop, 75, 25);
    BOK = new TVornButton(this);
    BOK->setText(QStringLiteral("&OK"));
    BOK->setObjectName(QStringLiteral("BOK"));
    BOK->setGeometry(312, design.buttonTop, 75, 25);
    BOK->setDefault(true);
    BOK->setAutoDefault(true);
    connect(BCancel, &QPushButton::clicked, this, &QDialog::reject); // Escape rejects as well
    connect(BOK, &QPushButton::clicked, this, &QDialog::accept);

    setTabOrder(RGStats, BCancel);
    setTabOrder(BCancel, BOK);
    RGStats->setFocus();
}

std::int32_t TSelectStatForm::GetSel() const {
    return RGStats->ItemIndex();
}

void TSelectStatForm::SetSel(std::int32_t index) {
    RGStats->SetItemIndex(index);
}

} // namespace telmod
