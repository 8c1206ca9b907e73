#include "frmCubeStats.h"

#include "pivottable.h"

#include "telmod/common/breakdownscreen.h"

#include "host/controls/actions.h"
#include "host/controls/barchart.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/cubeviewer/olapframe.h"
#include "host/cubeviewer/pivotgrid.h"
#include "host/data/errors.h"
#include "host/data/schoolyear.h"
#include "host/forms/hostservices.h"
#include "host/forms/outputcontext.h"

#include <QVBoxLayout>

namespace telmod {

using namespace vorn;

namespace {

const QString CubeReport = QStringLiteral("Afdruk rooster");

/// The value a query parameter gets, by its name in lower case; false for a name not supported.
bool AssignParameter(TParam& param, const QString& name, const TOLAPStatsForm& form) {
    const TDateTime workDate = Host().WerkDatum();
    if (name == QLatin1String("werkdatum"))
        param.SetAsDateTime(workDate);
    else if (name == QLatin1String("begindatum"))
        param.SetAsDateTime(GetSchooljaarStartFrom(workDate));
    else if (name == QLatin1String("einddatum"))
        param.SetAsDateTime(GetSchooljaarEndFrom(workDate));
    else if (name == QLatin1String("is_id"))
        param.SetAsInteger(form.FISID);
    else if (name == QLatin1String("sc_id"))
        param.SetAsInteger(form.FSCID);
    else if (name == QLatin1String("sj_id"))
        param.SetAsInteger(GetSchooljaarIDFrom(workDate));
    else if (name == QLatin1String("sj_code") || name == QLatin1String("jaar"))
        param.SetAsInteger(GetSchooljaarFrom(workDate));
    else if (name == QLatin1String("u_id") || name == QLatin1String("uid") || name == QLatin1String("userid"))
        param.SetAsInteger(GetSchooljaarIDFrom(workDate)); // no user id is kept: the school year's
    else
        return false;
    return true;
}

} // namespace

TOLAPStatsForm::TOLAPStatsForm(QWidget* parent)
    : TVornDBForm(parent), DSOLAP(new TVornDatasource(this)), DSSelectInstelling(new TVornDatasource(this)) {
    Caption = QStringLiteral("Struc Schoolstatistieken");
    TabCaption = QStringLiteral("Statistieken");
    Group = QStringLiteral("Stats");
    DefaultBrowserForm = QStringLiteral("TStatBrowseInstellingenForm");
    DesignSize = QSize(640, 480);
    ReportDefs = {{CubeReport, QString()}};
    declareDataSets();
    buildTopPanel();
    layOut();
    bindHandlers();
}

TOLAPStatsForm::~TOLAPStatsForm() = default;

QString StatisticKindText(int flags) {
    QStringList kinds;
    if ((flags & StatisticForSecondary) != 0)
        kinds << QStringLiteral("secundair onderwijs");
    if ((flags & StatisticForOsp) != 0)
        kinds << QStringLiteral("CVO");
    if ((flags & StatisticForVwo) != 0)
        kinds << QStringLiteral("VWO");
    return kinds.isEmpty() ? QStringLiteral("alle instellingen") : kinds.join(QStringLiteral(", "));
}

const TFormClass& TOLAPStatsForm::Class() {
    static const TFormClass formClass(QStringLiteral("TOLAPStatsForm"), [] { return new TOLAPStatsForm; });
    return formClass;
}

void TOLAPStatsForm::declareDataSets() {
    CDSOLAP.SetProviderName(QStringLiteral("DSPSelectOLAP"));
    CDSOLAP.LastInsertIDToMaster = true;
    CDSOLAP.IDField = QStringLiteral("L_ID");
    CDSOLAP.AddField(FieldDef::wideString("L_CODE", 10).label("Code").req());
    CDSOLAP.AddField(FieldDef::blob("L_DEFINITIE"));
    CDSOLAP.AddField(FieldDef::integer("L_FLAGS").req());
    CDSOLAP.AddField(FieldDef::integer("L_ID").req());
    CDSOLAP.AddField(FieldDef::wideString("L_OMSCHRIJVING", 50).label("Omschrijving").req());
    CDSOLAP.AddField(FieldDef::memo("L_UITLEG"));
    CDSOLAP.AddField(FieldDef::memo("Q_SQL"));
    // Which kinds of institution a statistic is for, so that the list can say it.
    CDSOLAP.AddField(FieldDef::wideString("L_SOORT", 40).label("Voor").calculated());
    CDSOLAP.OnCalcFields = [](TVornClientDataSet& dataSet) {
        dataSet.FieldByName(QStringLiteral("L_SOORT"))
            .SetAsString(StatisticKindText(dataSet.FieldByName(QStringLiteral("L_FLAGS")).AsInteger()));
    };
    RegisterDataSet(&CDSOLAP);
    DSOLAP->setObjectName(QStringLiteral("DSOLAP"));
    DSOLAP->SetDataSet(&CDSOLAP);

    CubeData.SetProviderName(QStringLiteral("DSPReports"));
    CubeData.LastInsertIDToMaster = true;
    // Opened by the screen only: an automatic open would run a query without its text.
    CubeData.AutoOpen = false;
    RegisterDataSet(&CubeData);

    DeclareInstitutionList(CDSSelectInstelling, false);
    RegisterDataSet(&CDSSelectInstelling);
    DSSelectInstelling->setObjectName(QStringLiteral("DSSelectInstelling"));
    DSSelectInstelling->SetDataSet(&CDSSelectInstelling);
    MainDataSource = DSOLAP;
}

void TOLAPStatsForm::buildTopPanel() {
    PTop = new TVornPanel(this, DesignSize.width());
    PTop->setObjectName(QStringLiteral("PTop"));
    PTop->setFrameShape(QFrame::NoFrame);
    PTop->setFixedHeight(58);

    LLEInstelling = new TVornLabel(QStringLiteral("&Instelling"), PTop);
    LLEInstelling->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LEInstelling = new TVornLookupEdit(PTop);
    LEInstelling->setObjectName(QStringLiteral("LEInstelling"));
    LInstelling = new TVornLabel(PTop);
    LInstelling->setObjectName(QStringLiteral("LInstelling"));
    LEInstelling->KeyField = QStringLiteral("IS_ID");
    LEInstelling->SetListColumns({QStringLiteral("IS_CODE"), QStringLiteral("SC_INSTELLINGSNUMMER"),
                                  QStringLiteral("IS_NAAMGEBRUIKER")});
    LEInstelling->MinColumnWidth = 64;
    LEInstelling->setMaxVisibleItems(20);
    LEInstelling->SetDropDownWidth(550);
    LEInstelling->SyncList = true;
    LEInstelling->SetListSource(DSSelectInstelling);
    LEInstelling->SetAssociatedLabel(LInstelling, QStringLiteral("SC_INSTELLINGSNUMMER;IS_NAAMGEBRUIKER"));
    LLEInstelling->setBuddy(LEInstelling);

    VornActionList1 = new TVornActionList(this);
    AShow = VornActionList1->Add(QStringLiteral("&Tonen"));
    AShow->setEnabled(false); // until the first idle update says otherwise
    AClear = VornActionList1->Add(QStringLiteral("&Leegmaken"));
    BShow = new TVornButton(PTop);
    BShow->setObjectName(QStringLiteral("BShow"));
    BShow->SetAction(AShow);
    BShow->setDefault(true);
    BShow->setAutoDefault(true);

    LLEOlap = new TVornLabel(QStringLiteral("S&tatistiek"), PTop);
    LLEOlap->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LLEOlap->setEnabled(false);
    LEOlap = new TVornLookupEdit(PTop);
    LEOlap->setObjectName(QStringLiteral("LEOlap"));
    LEOlap->setEnabled(false);
    LOLAP = new TVornLabel(PTop);
    LOLAP->setObjectName(QStringLiteral("LOLAP"));
    LEOlap->KeyField = QStringLiteral("L_ID");
    LEOlap->SetListColumns(
        {QStringLiteral("L_CODE"), QStringLiteral("L_OMSCHRIJVING"), QStringLiteral("L_SOORT")});
    LEOlap->MinColumnWidth = 64;
    // Wide enough for a statistic's description on one line and the kinds it is for.
    LEOlap->SetDropDownWidth(600);
    LEOlap->SyncList = true;
    LEOlap->SetListSource(DSOLAP);
    LEOlap->SetAssociatedLabel(LOLAP, QStringLiteral("L_OMSCHRIJVING"));
    // "&Tonen" and "S&tatistiek" would share Alt+T, and Qt then only moves the focus between the
    // two: the action wins, and the label shows its caption without a shortcut of its own.
    LLEOlap->setText(LLEOlap->text().remove(u'&'));

    BDescr = new TVornButton(PTop);
    BDescr->setObjectName(QStringLiteral("BDescr"));
    BDescr->setText(QStringLiteral("Uitleg >>>"));

    PTop->Place(LLEInstelling, QRect(32, 5, 65, 21));
    PTop->Place(LEInstelling, QRect(104, 5, 121, 21));
    PTop->Place(LInstelling, QRect(232, 5, 313, 21), TVornPanel::akLeftRight);
    PTop->Place(BShow, QRect(552, 4, 75, 25), TVornPanel::akRight);
    PTop->Place(LLEOlap, QRect(32, 30, 65, 21));
    PTop->Place(LEOlap, QRect(104, 30, 121, 21));
    // Beside its lookup, not over the institution's name.
    PTop->Place(LOLAP, QRect(232, 30, 313, 21), TVornPanel::akLeftRight);
    PTop->Place(BDescr, QRect(552, 32, 75, 25), TVornPanel::akRight);
    QWidget::setTabOrder(LEOlap, LEInstelling);
    QWidget::setTabOrder(LEInstelling, BShow);
    QWidget::setTabOrder(BShow, BDescr);
    InitialFocus = LEInstelling;
}

void TOLAPStatsForm::layOut() {
    Muitleg = new TVornMemo(this);
    Muitleg->setObjectName(QStringLiteral("Muitleg"));
    Muitleg->setReadOnly(true);
    Muitleg->setFixedHeight(89);
    Muitleg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // An explanation is prose: it wraps between words instead of running off to the right.
    Muitleg->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Muitleg->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Muitleg->setWordWrapMode(QTextOption::WordWrap);
    Muitleg->hide();
    FOLAP = new TOLAPFrame(this);
    FOLAP->SetHeadingSource([this] { return statisticHeading(); });
    FOLAP->setObjectName(QStringLiteral("FOLAP"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PTop);
    layout->addWidget(Muitleg);
    layout->addWidget(FOLAP, 1);
}

void TOLAPStatsForm::bindHandlers() {
    OnSetMasterBrowser = [this](QObject* sender, QObject* master) {
        VornDBFormSetMasterBrowser(sender, master);
    };
    OnBeforePrint = [this](QObject* sender, const QString& report, bool& goOn) {
        VornDBFormBeforePrint(sender, report, goOn);
    };
    OnRestoreSettings = [this](TVornIniFile& settings) {
        // The viewer remembers layouts per statistic in the screen's own part of the settings file.
        settings_ = std::make_unique<TVornIniFile>(settings.FileName(), QStringLiteral("TOLAPStatsForm."));
    };
    connect(LEInstelling, &TVornLookupEdit::changed, this,
            [this] { RunGuarded([this] { LEInstellingChange(LEInstelling); }); });
    connect(LEOlap, &TVornLookupEdit::changed, this,
            [this] { RunGuarded([this] { LEOlapChange(LEOlap); }); });
    connect(BDescr, &QPushButton::clicked, this, [this] { RunGuarded([this] { BDescrClick(BDescr); }); });
    AShow->OnUpdate = [this](QObject* sender) { AShowUpdate(sender); };
    AShow->OnExecute = [this](QObject* sender) { AShowExecute(sender); };
    AClear->OnExecute = [this](QObject* sender) { AClearExecute(sender); };
}

void TOLAPStatsForm::VornDBFormSetMasterBrowser(QObject*, QObject* dataSource) {
    auto* source = qobject_cast<TVornDatasource*>(dataSource);
    if (source == nullptr)
        RaiseClientError("Ongeldige gegevensbron voor de lijst van instellingen");
    LEInstelling->SetListSource(source);
}

void TOLAPStatsForm::LEInstellingChange(QObject*) {
    FISID = static_cast<std::int32_t>(LEInstelling->GetLookupID());
    // The school comes from the master browse list; a list without SC_ID (the screen's own) or
    // without a chosen row gives no school instead of an error.
    FSCID = 0;
    TVornDatasource* source = LEInstelling->ListSource();
    TVornClientDataSet* list = source != nullptr ? source->DataSet() : nullptr;
    if (FISID != -1 && list != nullptr && list->Active() && !list->IsEmpty())
        if (const TField* school = list->FindField(QStringLiteral("SC_ID")))
            FSCID = school->AsInteger();
    const bool chosen = FISID != -1;
    LEOlap->setEnabled(chosen);
    LLEOlap->setEnabled(chosen);
}

bool TOLAPStatsForm::locateStatistic() {
    return CDSOLAP.Active() && CDSOLAP.LocateID(FOID, QString());
}

void TOLAPStatsForm::LEOlapChange(QObject*) {
    FOID = static_cast<std::int32_t>(LEOlap->GetLookupID());
    if (locateStatistic())
        Muitleg->setPlainText(CDSOLAP.FieldByName(QStringLiteral("L_UITLEG")).AsString());
    else
        Muitleg->clear();
}

void TOLAPStatsForm::BDescrClick(QObject*) {
    Muitleg->setVisible(!Muitleg->isVisible());
    BDescr->setText(Muitleg->isVisible() ? QStringLiteral("Uitleg <<<") : QStringLiteral("Uitleg >>>"));
}

void TOLAPStatsForm::AShowUpdate(QObject* sender) {
    qobject_cast<QAction*>(sender)->setEnabled(FOID > 0);
}

void TOLAPStatsForm::AShowExecute(QObject*) {
    ShowStats();
}

void TOLAPStatsForm::AClearExecute(QObject*) {
    HideCube();
}

void TOLAPStatsForm::ShowStats() {
    BusyScope busy(QStringLiteral("Ophalen van de statistiek"));
    FOLAP->LoadDefinition(CDSOLAP.FieldByName(QStringLiteral("L_DEFINITIE")));
    ReOpenDataset();
    FOLAP->SetSettings(settings_.get(), CDSOLAP.FieldByName(QStringLiteral("L_CODE")).AsString());
    FOLAP->SetDataset(&CubeData);
    FOLAP->ShowCube();
    BShow->SetAction(AClear);
}

void TOLAPStatsForm::ReOpenDataset() {
    CubeData.Close();
    CubeData.SetCommandText(CDSOLAP.FieldByName(QStringLiteral("Q_SQL")).AsString(), true);
    for (int i = 0; i < CubeData.Params().Count(); ++i) {
        TParam& param = CubeData.Params().Items(i);
        const QString name = param.Name().toLower();
        if (!AssignParameter(param, name, *this))
            RaiseClientError("Parameter naam \"%s\" niet ondersteund", name);
    }
    CubeData.Open();
}

void TOLAPStatsForm::HideCube() {
    CubeData.Close();
    FOLAP->CloseCube();
    BShow->SetAction(AShow);
}

void TOLAPStatsForm::VornDBFormBeforePrint(QObject*, const QString& reportName, bool& continuePrinting) {
    continuePrinting = reportName != CubeReport;
    if (continuePrinting)
        return;
    if (!PrintPdfFile.isEmpty())
        FOLAP->WritePdf(PrintPdfFile,
                        QStringLiteral("%1 - %2").arg(LOLAP->text(), ChosenInstitutionText(*LEInstelling)));
    else if (PrintDirect)
        FOLAP->PrintCube();
    else
        FOLAP->PreviewCube();
}

// ---------------------------------------------------------------- the results contract

TScreenInputs TOLAPStatsForm::Inputs() const {
    TScreenInputs inputs;
    inputs.statistic = true;
    inputs.workDate = true;
    return inputs;
}

QStringList TOLAPStatsForm::InstitutionCodes() const {
    return InstitutionCodesOf(*LEInstelling);
}

void TOLAPStatsForm::SetRequest(const TScreenRequest& request) {
    if (IsDateSet(request.date) || IsDateSet(request.from) || IsDateSet(request.to))
        RaiseClientError("Dit scherm telt over het schooljaar van de werkdatum en kent geen eigen datum");
    if (request.figure >= 0 || request.scale != 0)
        RaiseClientError("Dit scherm kent geen --figure of --scale");
    ChooseInstitutionByCode(*LEInstelling, request.institutionCode);
    QStringList codes;
    qint64 chosen = -1;
    if (CDSOLAP.Active())
        for (CDSOLAP.First(); !CDSOLAP.Eof(); CDSOLAP.Next()) {
            const QString code = CDSOLAP.FieldByName(QStringLiteral("L_CODE")).AsString();
            codes << code;
            if (chosen == -1 && code.compare(request.statistic, Qt::CaseInsensitive) == 0)
                chosen = CDSOLAP.FieldByName(QStringLiteral("L_ID")).AsLargeInt();
        }
    if (chosen == -1)
        RaiseClientError("Geen statistiek \"%s\"; wel: %s", request.statistic,
                         codes.join(QStringLiteral(", ")));
    LEOlap->SetLookupID(chosen);
}

void TOLAPStatsForm::Fetch() {
    if (BShow->Action() == AClear)
        RunFetchAction(*AClear);
    RunFetchAction(*AShow);
}

std::vector<TResultTable> TOLAPStatsForm::Tables() const {
    if (FOLAP->Pivot() == nullptr)
        return {};
    FillPivotTable(*FOLAP->Model(), CDSPivot);
    TResultTable table;
    table.caption = CDSOLAP.FieldByName(QStringLiteral("L_CODE")).AsString();
    table.dataSet = &CDSPivot;
    for (int i = 0; i < CDSPivot.FieldCount(); ++i) {
        const TField& field = CDSPivot.Fields(i);
        table.columns.push_back(
            {field.FieldName(), field.DisplayLabel(), 100, IsNumericField(field.DataType())});
    }
    table.view = FOLAP->Grid();
    return {table};
}

std::vector<TResultSeries> TOLAPStatsForm::Series() const {
    if (FOLAP->Pivot() == nullptr)
        return {};
    const TBarChart* chart = FOLAP->FreshChart();
    return {{chart->Caption(), chart}};
}

QString TOLAPStatsForm::Totals() const {
    return {};
}

TResultHeading TOLAPStatsForm::Heading() const {
    return FOLAP->Heading();
}

/// The pivot viewer adds its filters to this.
TResultHeading TOLAPStatsForm::statisticHeading() const {
    TResultHeading heading;
    heading.screen = TabCaption;
    heading.institution = ChosenInstitutionText(*LEInstelling);
    heading.schoolYear = SchoolYearText(Host().WerkDatum());
    heading.statistic = LOLAP->text();
    return heading;
}

} // namespace telmod
