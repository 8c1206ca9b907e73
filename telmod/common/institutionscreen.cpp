#include "institutionscreen.h"

#include "host/data/errors.h"
#include "host/data/inifile.h"
#include "host/data/schoolyear.h"
#include "host/data/scopeguards.h"
#include "host/forms/hostservices.h"

#include <QLocale>
#include <QVBoxLayout>
#include <algorithm>

namespace telmod {

using namespace vorn;

namespace {
constexpr int ComparisonLine = 30;
const QString ComparisonSection = QStringLiteral("Vergelijking");
} // namespace

TInstitutionDateForm::TInstitutionDateForm(QWidget* parent, bool listAutoOpen, const TopBarLayout& layout,
                                           bool compares, bool trend)
    : TVornDBForm(parent), DSSelectInstelling(new TVornDatasource(this)) {
    AttachInstitutionList(*this, CDSSelectInstelling, *DSSelectInstelling, listAutoOpen);

    buildTopBar(layout);
    if (compares) {
        PTop->setFixedHeight(layout.height + ComparisonLine);
        Comparison = new TComparisonBar(PTop, layout.height - 4, false, trend);
        connect(Comparison, &TComparisonBar::columnsChanged, this,
                [this] { RunGuarded([this] { FComparison.ShowColumns(Comparison->HiddenFigures()); }); });
        OnSaveSettings = [this](TVornIniFile& settings) { SaveComparison(settings); };
        OnRestoreSettings = [this](TVornIniFile& settings) { RestoreComparison(settings); };
    }
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
    AFetch->OnExecute = [this](QObject* sender) { RunFetch(sender); };
    PrintsShownGrids = [this] { return FTrend.Shown(); };
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
    if (Comparison != nullptr) {
        controls.compare = Comparison->CBVergelijk;
        controls.compareFrom = Comparison->EVergelijkVanaf;
        if (Comparison->OffersTrend()) {
            controls.trendYears = Comparison->SEJaren;
            controls.trendTop = Comparison->SEGrootste;
        }
    }
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
    if (Comparison != nullptr)
        Comparison->Follow({FDate, FDate});
}

void TInstitutionDateForm::RunFetch(QObject* sender) {
    if (Comparison != nullptr && Comparison->Trend()) {
        fetchTrend(sender);
        return;
    }
    if (Comparison == nullptr || !Comparison->Active()) {
        FComparison.Restore();
        FComparedWith.reset();
        FTrend.Restore();
        if (Comparison != nullptr)
            Comparison->LVergelijkNoot->clear();
        AFetchExecute(sender);
        return;
    }
    BusyScope busy(QStringLiteral("Ophalen van beide datums"));
    const TDateTime own = FDate;
    // A comparison that cannot be made is refused before anything shown changes.
    const TDateTime other = Comparison->OtherFor({own, own}).from;
    FComparison.Restore();
    FComparedWith.reset();
    FTrend.Restore();
    Comparison->LVergelijkNoot->clear();
    {
        const TOnExit restore([this, own] { FDate = own; });
        FDate = other;
        AFetchExecute(sender);
        FComparison.KeepOther(ComparedPages(other), QString());
        FComparison.KeepOtherBars(ComparedCharts());
    }
    AFetchExecute(sender);
    showComparison(other);
    FComparedWith = other;
}

void TInstitutionDateForm::fetchTrend(QObject* sender) {
    BusyScope busy(QStringLiteral("Ophalen van de schooljaren van het verloop"));
    const TDateTime own = FDate;
    const int years = Comparison->SEJaren->GetI();
    CheckTrendYears({own, own}, years);
    FComparison.Restore();
    FComparedWith.reset();
    FTrend.Restore();
    Comparison->LVergelijkNoot->clear();
    {
        const TOnExit restore([this, own] { FDate = own; });
        for (int back = years - 1; back >= 1; --back) {
            FDate = YearsEarlier({own, own}, back).from;
            AFetchExecute(sender);
            FTrend.KeepYear(ComparedPages(FDate), SchoolYearCaption(FDate), QString());
        }
    }
    AFetchExecute(sender);
    // A trend spans school years, and a class of one is not the class of another: the pages are
    // laid out as against a date of another school year.
    FTrend.Show(ComparedPages(YearsEarlier({own, own}, 1).from), SchoolYearCaption(own), QString(),
                ChartFigure(0), Comparison->SEGrootste->GetI());
    const QString note =
        QStringLiteral("Verloop over %1 schooljaren (%2 tot en met %3), telkens op %4: het totaal en de %5 "
                       "grootste van %3. Klassen staan alleen in hun eigen schooljaar.")
            .arg(years)
            .arg(SchoolYearCaption(YearsEarlier({own, own}, years - 1).from), SchoolYearCaption(own),
                 DateTimeToDate(own).toString(QStringLiteral("dd/MM")))
            .arg(Comparison->SEGrootste->GetI());
    Comparison->LVergelijkNoot->setText(note);
    Comparison->LVergelijkNoot->setToolTip(note);
}

std::vector<TComparedPage> TInstitutionDateForm::ComparedPages(TDateTime) const {
    return {};
}

QString TInstitutionDateForm::ChartFigure(std::size_t) const {
    return QStringLiteral("THECOUNT");
}

bool TInstitutionDateForm::SameSchoolYear(TDateTime other) const {
    return GetSchooljaarFrom(other) == GetSchooljaarFrom(FDate);
}

void TInstitutionDateForm::showComparison(TDateTime other) {
    const std::vector<TComparedPage> pages = ComparedPages(other);
    FComparison.Show(pages, Comparison->HiddenFigures());
    Comparison->OfferFigures(FComparison.FigureCaptions());
    const QString own = SpanText({FDate, FDate}, false);
    const QString then = SpanText({other, other}, false);
    for (std::size_t page = 0; page < pages.size(); ++page)
        FComparison.DrawChart(page, ChartFigure(page), own, then, ComparedRowHeight());
    FComparison.PairBars(ComparedCharts(), own, then);
    const int year = GetSchooljaarFrom(other);
    const bool otherHasFigures = FComparison.OtherHasRows() || !ComparedCharts().empty();
    QString note =
        otherHasFigures
            ? QStringLiteral("Vergeleken met %1 (schooljaar %2-%3).").arg(then).arg(year).arg(year + 1)
            : QStringLiteral("Geen gegevens bij deze instelling op %1: de vergelijking blijft leeg.")
                  .arg(then);
    if (std::any_of(pages.begin(), pages.end(),
                    [](const TComparedPage& page) { return !page.layout.matchable; }))
        note +=
            QStringLiteral(" Klassen van een ander schooljaar worden niet vergeleken: een klascode is elk "
                           "jaar een andere klas.");
    if (!ComparisonRemark().isEmpty())
        note += u' ' + ComparisonRemark();
    Comparison->LVergelijkNoot->setText(note);
    Comparison->LVergelijkNoot->setToolTip(note);
}

void TInstitutionDateForm::AddComparedPrintParams(QStringList& params, const QString& dateName) const {
    if (!FComparedWith)
        return;
    const TDateTime other = *FComparedWith;
    const int year = GetSchooljaarFrom(other);
    const int id = GetSchooljaarIDFrom(year);
    SetPrintParam(params, QStringLiteral("VGL_") + dateName,
                  QLocale().toString(DateTimeToDate(other), QLocale::ShortFormat));
    SetPrintParam(params, QStringLiteral("VGL_SJ_ID"), id < 0 ? QString() : QString::number(id));
    SetPrintParam(params, QStringLiteral("VGL_ZelfdeSchooljaar"),
                  SameSchoolYear(other) ? QStringLiteral("1") : QStringLiteral("0"));
    SetPrintParam(params, QStringLiteral("Reeks"), SpanText({FDate, FDate}, false));
    SetPrintParam(params, QStringLiteral("VGL_Reeks"), SpanText({other, other}, false));
    SetPrintParam(params, QStringLiteral("Vergelijking"),
                  QStringLiteral("Vergeleken met: %1 (schooljaar %2-%3)")
                      .arg(SpanText({other, other}, false))
                      .arg(year)
                      .arg(year + 1));
}

void TInstitutionDateForm::ChainComparisonTabOrder(QWidget* previous) {
    if (Comparison == nullptr)
        return;
    setTabOrder(previous, Comparison->CBVergelijk);
    setTabOrder(Comparison->CBVergelijk, Comparison->EVergelijkVanaf);
    setTabOrder(Comparison->EVergelijkVanaf, Comparison->BKolommen);
}

void TInstitutionDateForm::SaveComparison(TVornIniFile& settings) {
    if (Comparison != nullptr)
        Comparison->Save(settings, ComparisonSection);
}

void TInstitutionDateForm::RestoreComparison(TVornIniFile& settings) {
    if (Comparison != nullptr)
        Comparison->Restore(settings, ComparisonSection);
}

void TInstitutionDateForm::AFetchUpdate(QObject* sender) {
    qobject_cast<QAction*>(sender)->setEnabled(FISID != -1 && FDate != NoDate);
}

void TInstitutionDateForm::CBViewClick(QObject*) {
    PCViews->SetActivePageIndex(CBView->Checked() ? 1 : 0);
}

} // namespace telmod
