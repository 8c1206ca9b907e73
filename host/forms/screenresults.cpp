#include "screenresults.h"

#include "outputcontext.h"

#include "host/controls/actions.h"
#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/controls/lookupedit.h"
#include "host/data/clientdataset.h"
#include "host/data/errors.h"
#include "host/data/schoolyear.h"

#include <QLabel>
#include <QLocale>

namespace vorn {

namespace {

template <class Control> Control* controlOfPage(QWidget* page) {
    if (auto* control = qobject_cast<Control*>(page))
        return control;
    return page != nullptr ? page->findChild<Control*>() : nullptr;
}

} // namespace

TResultTable ResultTableOf(const QString& caption, const TVornDBgrid& grid) {
    TVornGridDBTableView* view = grid.GetActiveDBView();
    TVornDatasource* source = view->DataSource();
    TResultTable table{
        caption, source != nullptr ? source->DataSet() : nullptr, {}, const_cast<TVornDBgrid*>(&grid), {}};
    for (int c = 0; c < view->columnCount(); ++c) {
        const QString field = view->Columns()[static_cast<std::size_t>(c)].FieldName;
        const TField* found = table.dataSet != nullptr ? table.dataSet->FindField(field) : nullptr;
        table.columns.push_back({field, view->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                                 grid.columnWidth(c), found != nullptr && IsNumericField(found->DataType())});
    }
    if (view->IsSorted())
        for (int row = 0; row < view->rowCount(); ++row)
            table.rowOrder.push_back(view->PositionOfRow(row));
    return table;
}

std::vector<TResultTable> ResultTablesOf(const TVornPageControl& pages) {
    std::vector<TResultTable> tables;
    for (int page = 0; page < pages.count(); ++page) {
        const TVornDBgrid* grid = controlOfPage<TVornDBgrid>(pages.widget(page));
        if (grid == nullptr)
            continue;
        TResultTable table = ResultTableOf(pages.tabText(page), *grid);
        if (table.dataSet != nullptr && table.dataSet->Active())
            tables.push_back(std::move(table));
    }
    return tables;
}

std::vector<TResultSeries> ResultSeriesOf(const TVornPageControl& pages) {
    std::vector<TResultSeries> series;
    for (int page = 0; page < pages.count(); ++page)
        if (const TBarChart* chart = controlOfPage<TBarChart>(pages.widget(page)))
            series.push_back({pages.tabText(page), chart});
    return series;
}

namespace {
TVornClientDataSet* institutionList(const TVornLookupEdit& lookup) {
    TVornDatasource* source = lookup.ListSource();
    TVornClientDataSet* list = source != nullptr ? source->DataSet() : nullptr;
    if (list == nullptr || !list->Active())
        RaiseClientError("Het scherm heeft geen lijst van instellingen");
    return list;
}
} // namespace

QStringList InstitutionCodesOf(const TVornLookupEdit& lookup) {
    const TVornClientDataSet* list = institutionList(lookup);
    const TField& codes = list->FieldByName(QStringLiteral("IS_CODE"));
    QStringList result;
    for (int row = 0; row < list->RecordCount(); ++row)
        result << codes.DisplayTextOf(list->cellAtPosition(codes, row));
    return result;
}

void ChooseInstitutionByCode(TVornLookupEdit& lookup, const QString& code) {
    TVornClientDataSet* list = institutionList(lookup);
    const TField& codes = list->FieldByName(QStringLiteral("IS_CODE"));
    const TField& ids = list->FieldByName(QStringLiteral("IS_ID"));
    for (int row = 0; row < list->RecordCount(); ++row) {
        if (codes.DisplayTextOf(list->cellAtPosition(codes, row)).compare(code, Qt::CaseInsensitive) != 0)
            continue;
        lookup.SetLookupID(ids.ValueOf(list->cellAtPosition(ids, row)).toLongLong());
        return;
    }
    RaiseClientError("Instelling %s niet gevonden", code);
}

QString ChosenInstitutionText(const TVornLookupEdit& lookup) {
    if (lookup.GetLookupID() == -1)
        return {};
    const TVornClientDataSet* list = institutionList(lookup);
    const TField& ids = list->FieldByName(QStringLiteral("IS_ID"));
    const TField* name = list->FindField(QStringLiteral("IS_NAAMGEBRUIKER"));
    for (int row = 0; row < list->RecordCount(); ++row)
        if (ids.ValueOf(list->cellAtPosition(ids, row)).toLongLong() == lookup.GetLookupID())
            return name == nullptr
                       ? lookup.currentText()
                       : QStringLiteral("%1 %2").arg(lookup.currentText(),
                                                     name->DisplayTextOf(list->cellAtPosition(*name, row)));
    return lookup.currentText();
}

void RunFetchAction(TVornAction& action) {
    action.Update();
    if (!action.isEnabled() || !action.OnExecute)
        RaiseClientError("Ophalen is niet mogelijk: kies een instelling en een datum of periode");
    action.OnExecute(&action);
}

} // namespace vorn

namespace vorn {

namespace {

QString dateText(TDateTime date) {
    return QLocale().toString(DateTimeToDate(date), QStringLiteral("dd/MM/yyyy"));
}

void setRequestedDate(TVornDateEdit* edit, TDateTime date, const char* option) {
    if (!IsDateSet(date))
        return;
    if (edit == nullptr)
        RaiseClientError("Dit scherm kent geen %s", QString::fromLatin1(option));
    edit->SetDate(date);
}

QString comparisonText(const TResultControls& controls) {
    if (controls.compare == nullptr || controls.compare->currentIndex() <= 0 ||
        controls.compareFrom == nullptr)
        return {};
    const TDateTime from = controls.compareFrom->Date();
    if (!IsDateSet(from))
        return {};
    QString text = dateText(from);
    if (controls.compareTo != nullptr)
        text = QStringLiteral("%1 tot en met %2").arg(text, dateText(controls.compareTo->Date()));
    return QStringLiteral("%1 (schooljaar %2)").arg(text, SchoolYearText(from));
}

constexpr int OtherDateItem = 2;
constexpr int TrendItem = 3;

QString trendText(const TResultControls& controls, const TDateTime lastYear) {
    if (controls.compare == nullptr || controls.compare->currentIndex() != TrendItem ||
        controls.trendYears == nullptr || !IsDateSet(lastYear))
        return {};
    const int years = controls.trendYears->value();
    const int last = GetSchooljaarFrom(lastYear);
    return QStringLiteral("%1 schooljaren, %2-%3 tot en met %4-%5; het totaal en de %6 grootste")
        .arg(years)
        .arg(last - years + 1)
        .arg(last - years + 2)
        .arg(last)
        .arg(last + 1)
        .arg(controls.trendTop != nullptr ? controls.trendTop->value() : 0);
}

void setRequestedComparison(const TResultControls& controls, const TScreenRequest& request) {
    if (request.trendYears > 0) {
        if (controls.trendYears == nullptr)
            RaiseClientError("Dit scherm kent geen verloop (--trend)");
        if (request.trendYears < controls.trendYears->minimum() ||
            request.trendYears > controls.trendYears->maximum())
            RaiseClientError("--trend moet tussen %d en %d liggen", controls.trendYears->minimum(),
                             controls.trendYears->maximum());
        controls.trendYears->setValue(request.trendYears);
        controls.compare->SetItemIndex(TrendItem);
        return;
    }
    const bool compares = IsDateSet(request.compareFrom);
    if (controls.compare == nullptr) {
        if (compares)
            RaiseClientError(
                "Dit scherm kent geen vergelijking (--compare-date, --compare-from, --compare-to)");
        return;
    }
    const bool period = controls.compareTo != nullptr;
    if (compares && period != IsDateSet(request.compareTo))
        RaiseClientError(period ? "Dit scherm vergelijkt met een periode: geef --compare-from en --compare-to"
                                : "Dit scherm vergelijkt met een datum: geef --compare-date");
    if (!compares) {
        controls.compare->SetItemIndex(0);
        return;
    }
    controls.compare->SetItemIndex(OtherDateItem);
    controls.compareFrom->SetDate(request.compareFrom);
    if (period)
        controls.compareTo->SetDate(request.compareTo);
}

} // namespace

TScreenInputs TControlResults::Inputs() const {
    const TResultControls controls = ResultControls();
    TScreenInputs inputs;
    inputs.date = controls.date != nullptr;
    inputs.period = controls.from != nullptr && controls.to != nullptr;
    inputs.comparison = controls.compare != nullptr;
    inputs.figures = controls.figure != nullptr ? controls.figure->count() : 0;
    if (controls.scale != nullptr) {
        inputs.scaleMinimum = controls.scale->minimum();
        inputs.scaleMaximum = controls.scale->maximum();
    }
    return inputs;
}

QStringList TControlResults::InstitutionCodes() const {
    const TResultControls controls = ResultControls();
    return controls.institution != nullptr ? InstitutionCodesOf(*controls.institution) : QStringList();
}

void TControlResults::SetRequest(const TScreenRequest& request) {
    const TResultControls controls = ResultControls();
    if (controls.institution == nullptr)
        RaiseClientError("Dit scherm kiest geen instelling");
    if (IsDateSet(request.from) && IsDateSet(request.to) && request.from > request.to)
        RaiseClientError("Het begin van de periode ligt na het einde");
    ChooseInstitutionByCode(*controls.institution, request.institutionCode);
    setRequestedDate(controls.date, request.date, "--date");
    setRequestedDate(controls.from, request.from, "--from");
    setRequestedDate(controls.to, request.to, "--to");
    if (!request.statistic.isEmpty())
        RaiseClientError("Dit scherm kent geen --statistic");
    if (request.scale != 0) {
        if (controls.scale == nullptr)
            RaiseClientError("Dit scherm kent geen --scale");
        if (request.scale < controls.scale->minimum() || request.scale > controls.scale->maximum())
            RaiseClientError("--scale moet tussen %d en %d liggen", controls.scale->minimum(),
                             controls.scale->maximum());
        controls.scale->setValue(request.scale);
    }
    if (request.setsComparison)
        setRequestedComparison(controls, request);
    if (request.figure >= 0) {
        if (controls.figure == nullptr)
            RaiseClientError("Dit scherm kent geen --figure");
        if (request.figure >= controls.figure->count())
            RaiseClientError("--figure moet tussen 0 en %d liggen", controls.figure->count() - 1);
        controls.figure->SetItemIndex(request.figure);
    }
}

void TControlResults::Fetch() {
    const TResultControls controls = ResultControls();
    if (controls.fetch == nullptr)
        RaiseClientError("Dit scherm kan niet ophalen");
    RunFetchAction(*controls.fetch);
}

std::vector<TResultTable> TControlResults::Tables() const {
    const TResultControls controls = ResultControls();
    return controls.grids != nullptr ? ResultTablesOf(*controls.grids) : std::vector<TResultTable>{};
}

std::vector<TResultSeries> TControlResults::Series() const {
    const TResultControls controls = ResultControls();
    return controls.charts != nullptr ? ResultSeriesOf(*controls.charts) : std::vector<TResultSeries>{};
}

QString TControlResults::Totals() const {
    const TResultControls controls = ResultControls();
    return controls.totals != nullptr ? controls.totals->text() : QString();
}

TResultHeading TControlResults::Heading() const {
    const TResultControls controls = ResultControls();
    TResultHeading heading;
    heading.screen = controls.screenCaption;
    if (controls.institution != nullptr)
        heading.institution = ChosenInstitutionText(*controls.institution);
    if (controls.date != nullptr && IsDateSet(controls.date->Date())) {
        heading.periodLabel = QStringLiteral("Datum");
        heading.period = dateText(controls.date->Date());
        heading.schoolYear = SchoolYearText(controls.date->Date());
    }
    if (controls.from != nullptr && controls.to != nullptr) {
        heading.period = QStringLiteral("%1 tot en met %2")
                             .arg(dateText(controls.from->Date()), dateText(controls.to->Date()));
        if (IsDateSet(controls.from->Date()))
            heading.schoolYear = SchoolYearText(controls.from->Date());
    }
    if (controls.figure != nullptr && controls.figure->currentIndex() >= 0)
        heading.figure = controls.figure->currentText();
    heading.comparison = comparisonText(controls);
    heading.trend = trendText(controls, controls.date != nullptr   ? controls.date->Date()
                                        : controls.from != nullptr ? controls.from->Date()
                                                                   : NoDate);
    return heading;
}

} // namespace vorn
