#include "institutionscreen.h"

#include "host/data/errors.h"
#include "host/forms/hostservices.h"

#include <QVBoxLayout>

namespace telmod {

using namespace vorn;

TInstitutionDateForm::TInstitutionDateForm(QWidget* parent, bool listAutoOpen, const TopBarLayout& layout)
    : TVornDBForm(parent), DSSelectInstelling(new TVornDatasource(this)) {
    AttachInstitutionList(*this, CDSSelectInstelling, *DSSelectInstelling, listAutoOpen);

    buildTopBar(layout);
    OnSetMasterBrowser = [this](QObject* sender, QObject* master) {
        VornDBFormSetMasterBrowser(sender, master);
    };
}

void TInstitutionDateForm::buildTopBar(const TopBarLayout& layout) {
    PTop = new TVornPanel(this, layout.designWidth);
    PTop->setFixedHeight(layout.height);
    const InstitutionChoice institution = BuildInstitutionChoice(PTop, DSSelectInstelling);
    LLEinstelling = institution.caption;
    LEinstelling = institution.lookup;
    LInstelling = institution.name;
    InitialFocus = LEinstelling;
    LDEDate = new TVornLabel(QStringLiteral("Op &datum"), PTop);
    LDEDate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    DEDate = new TVornDateEdit(PTop, true, false);
    DEDate->setObjectName(QStringLiteral("DEDate"));
    LDEDate->setBuddy(DEDate);
    CBView = new TVornCheckBox(QStringLiteral("Grafische voorstelling"), PTop);
    CBView->setChecked(true);
    ActionList1 = new TVornActionList(this);
    AFetch = ActionList1->Add(QStringLiteral("&Ophalen"));
    AFetch->setEnabled(false); // until the first idle update says otherwise
    BFetch = new TVornButton(PTop);
    BFetch->SetAction(AFetch);

    PTop->Place(LLEinstelling, QRect(8, 8, 65, 24));
    PTop->Place(LEinstelling, QRect(80, 8, 121, 24));
    PTop->Place(LInstelling, QRect(208, 8, 465, 24), TVornPanel::akLeftRight);
    PTop->Place(LDEDate, QRect(8, 40, 65, 21));
    PTop->Place(DEDate, QRect(80, 40, 121, 25));
    PTop->Place(CBView, layout.view, TVornPanel::akRight);
    PTop->Place(BFetch, layout.fetch, TVornPanel::akRight);
    AFetch->OnExecute = [this](QObject* sender) { AFetchExecute(sender); };
    AFetch->OnUpdate = [this](QObject* sender) { AFetchUpdate(sender); };
    connect(LEinstelling, &TVornLookupEdit::changed, this,
            [this] { RunGuarded([this] { LEinstellingChange(LEinstelling); }); });
    connect(DEDate, &TVornDateEdit::changed, this, [this] { RunGuarded([this] { DEDateChange(DEDate); }); });
    connect(CBView, &QCheckBox::toggled, this, [this] { CBViewClick(CBView); });
}

void TInstitutionDateForm::StartOnWorkDate() {
    DEDate->SetDate(Host().WerkDatum());
    DEDateChange(DEDate);
    FISID = -1;
}

void TInstitutionDateForm::LayOut(TVornPageControl* views) {
    PCViews = views;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PTop);
    layout->addWidget(PCViews, 1);
}

TResultControls TInstitutionDateForm::ResultControls() const {
    TResultControls controls;
    controls.screenCaption = TabCaption;
    controls.institution = LEinstelling;
    controls.date = DEDate;
    controls.fetch = AFetch;
    if (PCViews != nullptr) {
        controls.grids = qobject_cast<TVornPageControl*>(PCViews->widget(0));
        controls.charts = qobject_cast<TVornPageControl*>(PCViews->widget(1));
    }
    return controls;
}

void TInstitutionDateForm::VornDBFormSetMasterBrowser(QObject*, QObject* masterDataSource) {
    UseMasterInstitutionList(*this, *LEinstelling, CDSSelectInstelling, masterDataSource);
}

void TInstitutionDateForm::LEinstellingChange(QObject*) {
    FISID = static_cast<int>(LEinstelling->GetLookupID());
}

void TInstitutionDateForm::DEDateChange(QObject*) {
    FDate = DEDate->Date();
}

void TInstitutionDateForm::AFetchUpdate(QObject* sender) {
    qobject_cast<QAction*>(sender)->setEnabled(FISID != -1 && FDate != NoDate);
}

void TInstitutionDateForm::CBViewClick(QObject*) {
    PCViews->SetActivePageIndex(CBView->Checked() ? 1 : 0);
}

} // namespace telmod
