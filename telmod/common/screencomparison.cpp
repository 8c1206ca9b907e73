#include "screencomparison.h"

#include "host/data/errors.h"
#include "host/data/schoolyear.h"
#include "host/data/scopeguards.h"

#include <QMenu>
#include <QRegularExpression>
#include <cmath>

namespace telmod {

using namespace vorn;

namespace {

TDateTime yearEarlier(TDateTime date) {
    return DateToDateTime(DateTimeToDate(date).addYears(-1));
}

QString dayText(TDateTime date) {
    return DateTimeToDate(date).toString(QStringLiteral("dd/MM/yyyy"));
}

const QString ChoiceKey = QStringLiteral("Vergelijken");
const QString FromKey = QStringLiteral("VergelijkVanaf");
const QString ToKey = QStringLiteral("VergelijkTot");
const QString HiddenKey = QStringLiteral("VerborgenVergelijking");
const QString YearsKey = QStringLiteral("VerloopJaren");
const QString TopKey = QStringLiteral("VerloopGrootste");
constexpr int MaxTrendYears = 10;
constexpr int ChoiceWidth = 262;

std::vector<FieldDef> dataFieldsOf(const TVornClientDataSet& dataSet) {
    std::vector<FieldDef> defs = dataSet.FieldDefs();
    for (FieldDef& def : defs) {
        def.kind = TFieldKind::Data;
        def.required = false;
        def.lookupDataSet = nullptr;
    }
    return defs;
}

} // namespace

void ShowInGrid(TVornDBgrid& grid, TVornDatasource* source, const std::vector<TGridColumn>& columns) {
    TVornGridDBTableView* view = grid.GetActiveDBView();
    view->SetDataSource(source);
    view->Columns() = columns;
    view->ColumnsChanged();
}

void ResetChart(TBarChart* chart) {
    if (chart == nullptr)
        return;
    chart->Clear();
    chart->SetSeries({}, TBarStacking::Clustered);
}

TDateSpan PreviousSchoolYearOf(const TDateSpan& span) {
    if (!IsDateSet(span.from) || !IsDateSet(span.to))
        return {};
    return {yearEarlier(span.from), yearEarlier(span.to)};
}

TDateSpan YearsEarlier(const TDateSpan& span, int years) {
    return {DateToDateTime(DateTimeToDate(span.from).addYears(-years)),
            DateToDateTime(DateTimeToDate(span.to).addYears(-years))};
}

QString SchoolYearCaption(TDateTime date) {
    const int year = GetSchooljaarFrom(date);
    return QStringLiteral("%1-%2").arg(year).arg(year + 1);
}

void CheckTrendYears(const TDateSpan& current, int years) {
    for (int back = 1; back < years; ++back) {
        const TDateTime from = YearsEarlier(current, back).from;
        if (GetSchooljaarIDFrom(GetSchooljaarFrom(from)) < 0)
            RaiseClientError("Er is geen schooljaar %s op de server: het verloop kan hier hoogstens %s "
                             "schooljaren tonen.",
                             SchoolYearCaption(from), QString::number(back));
    }
}

QString SpanText(const TDateSpan& span, bool period) {
    if (!period)
        return dayText(span.from);
    return dayText(span.from) + QStringLiteral(" - ") + dayText(span.to);
}

void CheckComparable(const TDateSpan& current, const TDateSpan& other, bool period) {
    const QString what =
        period ? QStringLiteral("vergelijkingsperiode") : QStringLiteral("vergelijkingsdatum");
    if (!IsDateSet(other.from) || !IsDateSet(other.to))
        RaiseClientError("Vul de %s in (Alt+L).", what);
    if (period && other.to < other.from)
        RaiseClientError("De vergelijkingsperiode eindigt (%s) voor ze begint (%s).", dayText(other.to),
                         dayText(other.from));
    if (other.from == current.from && other.to == current.to)
        RaiseClientError("De %s is dezelfde als de gekozen: kies een andere om mee te vergelijken.", what);
    if (period && other.from <= current.to && other.to >= current.from)
        RaiseClientError("De vergelijkingsperiode (%s) overlapt de gekozen periode (%s): kies een periode "
                         "die er niet mee samenvalt.",
                         SpanText(other, true), SpanText(current, true));
    const int year = GetSchooljaarFrom(other.from);
    if (GetSchooljaarIDFrom(year) < 0)
        RaiseClientError("Er is geen schooljaar %s-%s op de server voor de %s %s.", QString::number(year),
                         QString::number(year + 1), what, SpanText(other, period));
}

TComparisonBar::TComparisonBar(TVornPanel* panel, int top, bool period, bool trend)
    : QObject(panel), period_(period) {
    LVergelijk = new TVornLabel(QStringLiteral("Verge&lijken met"), panel);
    LVergelijk->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    CBVergelijk = new TVornComboBox(panel);
    CBVergelijk->setObjectName(QStringLiteral("CBVergelijk"));
    CBVergelijk->addItems({QStringLiteral("(niets)"),
                           period ? QStringLiteral("dezelfde periode vorig schooljaar")
                                  : QStringLiteral("dezelfde datum vorig schooljaar"),
                           period ? QStringLiteral("andere periode") : QStringLiteral("andere datum")});
    if (trend)
        CBVergelijk->addItem(QStringLiteral("verloop over de laatste schooljaren"));
    LVergelijk->setBuddy(CBVergelijk);
    EVergelijkVanaf = new TVornDateEdit(panel, false, false);
    EVergelijkVanaf->setObjectName(QStringLiteral("EVergelijkVanaf"));
    EVergelijkVanaf->setToolTip(period ? QStringLiteral("Begin van de vergelijkingsperiode")
                                       : QStringLiteral("Vergelijkingsdatum"));
    const int captionWidth = std::max(74, LVergelijk->sizeHint().width() + 4);
    panel->Place(LVergelijk, QRect(4, top, captionWidth, 24));
    int left = 4 + captionWidth + 6;
    panel->Place(CBVergelijk, QRect(left, top, ChoiceWidth, 24));
    left += ChoiceWidth + 6;
    panel->Place(EVergelijkVanaf, QRect(left, top, 110, 24));
    left += 116;
    if (period) {
        EVergelijkTot = new TVornDateEdit(panel, false, false);
        EVergelijkTot->setObjectName(QStringLiteral("EVergelijkTot"));
        EVergelijkTot->setToolTip(QStringLiteral("Einde van de vergelijkingsperiode"));
        panel->Place(EVergelijkTot, QRect(left, top, 110, 24));
        left += 116;
    }
    // A trend's choices sit where the other date or period is typed.
    SEJaren = new TVornSpinEdit(2, MaxTrendYears, 5, panel);
    SEJaren->setObjectName(QStringLiteral("SEJaren"));
    SEJaren->setSuffix(QStringLiteral(" schooljaren"));
    SEJaren->setToolTip(
        QStringLiteral("Over hoeveel schooljaren het verloop gaat (dit schooljaar meegeteld)"));
    SEGrootste = new TVornSpinEdit(1, 100, 10, panel);
    SEGrootste->setObjectName(QStringLiteral("SEGrootste"));
    SEGrootste->setPrefix(QStringLiteral("grootste "));
    SEGrootste->setToolTip(
        QStringLiteral("Hoeveel van de grootste categorieën van dit schooljaar getoond worden"));
    const int trendLeft = 4 + captionWidth + 6 + ChoiceWidth + 6;
    panel->Place(SEJaren, QRect(trendLeft, top, 110, 24));
    panel->Place(SEGrootste, QRect(trendLeft + 116, top, 110, 24));
    BKolommen = new QToolButton(panel);
    BKolommen->setObjectName(QStringLiteral("BKolommen"));
    BKolommen->setText(QStringLiteral("&Kolommen"));
    BKolommen->setToolTip(QStringLiteral("Kiezen van welke cijfers de vergelijking getoond wordt"));
    BKolommen->setPopupMode(QToolButton::InstantPopup);
    BKolommen->setFocusPolicy(Qt::StrongFocus);
    auto* menu = new QMenu(BKolommen);
    BKolommen->setMenu(menu);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        for (const QString& caption : offered_) {
            QAction* action = menu->addAction(caption);
            action->setCheckable(true);
            action->setChecked(!hidden_.contains(caption));
            connect(action, &QAction::toggled, this, [this, caption](bool shown) {
                if (shown)
                    hidden_.remove(caption);
                else
                    hidden_.insert(caption);
                emit columnsChanged();
            });
        }
    });
    const int buttonWidth = BKolommen->sizeHint().width() + 14;
    panel->Place(BKolommen, QRect(left, top, buttonWidth, 24));
    // The note starts after whatever the choice shows: the other dates and "Kolommen", or a trend's
    // two counts.
    left = std::max(left + buttonWidth + 8, trendLeft + 2 * 116 + 2);
    LVergelijkNoot = new TVornLabel(QString(), panel);
    LVergelijkNoot->setObjectName(QStringLiteral("LVergelijkNoot"));
    LVergelijkNoot->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    panel->Place(LVergelijkNoot, QRect(left, top, std::max(60, panel->width() - left - 8), 24),
                 TVornPanel::akLeftRight);
    connect(CBVergelijk, &QComboBox::currentIndexChanged, this, [this] { choiceChanged(); });
    choiceChanged();
}

TComparisonChoice TComparisonBar::Choice() const {
    const int index = CBVergelijk->ItemIndex();
    return index <= 0 ? TComparisonChoice::None : static_cast<TComparisonChoice>(index);
}

void TComparisonBar::choiceChanged() {
    const bool other = Choice() == TComparisonChoice::Other;
    EVergelijkVanaf->setEnabled(other);
    EVergelijkVanaf->setVisible(Active());
    if (EVergelijkTot != nullptr) {
        EVergelijkTot->setEnabled(other);
        EVergelijkTot->setVisible(Active());
    }
    BKolommen->setEnabled(Active());
    BKolommen->setVisible(Active());
    SEJaren->setVisible(Trend());
    SEGrootste->setVisible(Trend());
    if (Choice() == TComparisonChoice::PreviousSchoolYear || (other && !IsDateSet(EVergelijkVanaf->Date())))
        showSpan(PreviousSchoolYearOf(current_));
    if (!Active())
        LVergelijkNoot->setText(QString());
}

TDateSpan TComparisonBar::typedSpan() const {
    const TDateTime from = EVergelijkVanaf->Date();
    return {from, EVergelijkTot != nullptr ? EVergelijkTot->Date() : from};
}

void TComparisonBar::showSpan(const TDateSpan& span) {
    EVergelijkVanaf->SetDate(span.from);
    if (EVergelijkTot != nullptr)
        EVergelijkTot->SetDate(span.to);
}

void TComparisonBar::Follow(const TDateSpan& current) {
    current_ = current;
    if (Choice() == TComparisonChoice::PreviousSchoolYear)
        showSpan(PreviousSchoolYearOf(current));
}

TDateSpan TComparisonBar::OtherFor(const TDateSpan& current) {
    Follow(current);
    const TDateSpan other = typedSpan();
    CheckComparable(current, other, period_);
    return other;
}

void TComparisonBar::OfferFigures(const QStringList& captions) {
    offered_ = captions;
}

void TComparisonBar::Save(TVornIniFile& settings, const QString& section) const {
    settings.WriteInteger(section, ChoiceKey, CBVergelijk->ItemIndex());
    const TDateSpan span = typedSpan();
    settings.WriteString(section, FromKey,
                         IsDateSet(span.from) ? DateTimeToDate(span.from).toString(Qt::ISODate) : QString());
    settings.WriteString(section, ToKey,
                         IsDateSet(span.to) ? DateTimeToDate(span.to).toString(Qt::ISODate) : QString());
    QStringList hidden(hidden_.begin(), hidden_.end());
    hidden.sort();
    settings.WriteString(section, HiddenKey, hidden.join(u';'));
    settings.WriteInteger(section, YearsKey, SEJaren->GetI());
    settings.WriteInteger(section, TopKey, SEGrootste->GetI());
}

void TComparisonBar::ChooseTrend(int years) {
    if (years <= 0)
        return;
    if (years < SEJaren->minimum() || years > SEJaren->maximum())
        RaiseClientError("Een verloop gaat over %s tot %s schooljaren", QString::number(SEJaren->minimum()),
                         QString::number(SEJaren->maximum()));
    SEJaren->setValue(years);
    CBVergelijk->SetItemIndex(static_cast<int>(TComparisonChoice::Trend));
}

void TComparisonBar::Restore(const TVornIniFile& settings, const QString& section) {
    const auto dateOf = [&](const QString& key) {
        const QDate date = QDate::fromString(settings.ReadString(section, key, QString()), Qt::ISODate);
        return date.isValid() ? DateToDateTime(date) : NoDate;
    };
    const int choice = settings.ReadInteger(section, ChoiceKey, 0);
    if (choice == static_cast<int>(TComparisonChoice::Other))
        showSpan({dateOf(FromKey), dateOf(ToKey)});
    CBVergelijk->SetItemIndex(choice >= 0 && choice < CBVergelijk->count() ? choice : 0);
    SEJaren->setValue(settings.ReadInteger(section, YearsKey, SEJaren->GetI()));
    SEGrootste->setValue(settings.ReadInteger(section, TopKey, SEGrootste->GetI()));
    const QString hidden = settings.ReadString(section, HiddenKey, QString());
    hidden_.clear();
    for (const QString& caption : hidden.split(u';', Qt::SkipEmptyParts))
        hidden_.insert(caption);
    choiceChanged();
}

void TScreenComparison::KeepOther(const std::vector<TComparedPage>& pages, const QString& totals) {
    kept_.clear();
    for (const TComparedPage& page : pages) {
        auto copy = std::make_unique<TVornClientDataSet>(page.table->Name() + QStringLiteral("Vgl"));
        LoadTable(*copy, page.table->Active() ? RowsInOrder(*page.table) : Table(dataFieldsOf(*page.table)));
        kept_.push_back(std::move(copy));
    }
    otherTotals_ = totals;
}

void TScreenComparison::Show(const std::vector<TComparedPage>& pages, const QSet<QString>& hidden) {
    Restore();
    if (kept_.size() != pages.size())
        RaiseClientError("De vergelijking heeft %s tabellen, het scherm %s", QString::number(kept_.size()),
                         QString::number(pages.size()));
    for (std::size_t i = 0; i < pages.size(); ++i) {
        const TComparedPage& page = pages[i];
        if (!page.table->Active())
            continue;
        Compared compared;
        compared.index = i;
        compared.page = page;
        compared.other = std::move(kept_[i]);
        compared.rows =
            std::make_unique<TVornClientDataSet>(page.table->Name() + QStringLiteral("Vergeleken"));
        LoadTable(*compared.rows, CompareRows(*page.table, *compared.other, page.layout));
        compared.rows->First();
        compared.source = std::make_unique<TVornDatasource>();
        compared.source->SetDataSet(compared.rows.get());
        TVornGridDBTableView* view = page.grid->GetActiveDBView();
        compared.ownSource = view->DataSource();
        compared.ownColumns = view->Columns();
        compared_.push_back(std::move(compared));
        showColumns(compared_.back(), hidden);
    }
    kept_.clear();
}

void TScreenComparison::showColumns(Compared& compared, const QSet<QString>& hidden) const {
    std::vector<TGridColumn> columns;
    const TVornClientDataSet& own = *compared.page.table;
    for (const TGridColumn& column : compared.ownColumns) {
        if (!compared.page.layout.figureFields.contains(column.FieldName, Qt::CaseInsensitive)) {
            if (compared.page.layout.labelFields.contains(column.FieldName, Qt::CaseInsensitive))
                columns.push_back(column);
            continue;
        }
        const TField& field = own.FieldByName(column.FieldName);
        const QString caption = column.Caption.isEmpty() ? field.DisplayLabel() : column.Caption;
        columns.push_back({field.FieldName(), caption, column.Width});
        if (hidden.contains(caption))
            continue;
        for (const TComparedPart part :
             {TComparedPart::Other, TComparedPart::Difference, TComparedPart::Change})
            columns.push_back(
                {ComparedFieldName(field.FieldName(), part), ComparedCaption(caption, part), 0});
    }
    ShowInGrid(*compared.page.grid, compared.source.get(), columns);
}

void TScreenComparison::ShowColumns(const QSet<QString>& hidden) {
    for (Compared& compared : compared_)
        showColumns(compared, hidden);
}

void TScreenComparison::Restore() {
    for (Compared& compared : compared_) {
        ShowInGrid(*compared.page.grid, compared.ownSource, compared.ownColumns);
        ResetChart(compared.page.chart);
    }
    compared_.clear();
    for (TBarChart* chart : pairedCharts_)
        ResetChart(chart);
    pairedCharts_.clear();
}

namespace {

std::vector<std::pair<QString, int>> barsOf(const TBarChart& chart) {
    std::vector<std::pair<QString, int>> bars;
    for (int i = 0; i < chart.BarCount(); ++i)
        bars.emplace_back(chart.Bars(i).label, chart.Bars(i).value);
    return bars;
}

} // namespace

void TScreenComparison::KeepOtherBars(const std::vector<TBarChart*>& charts) {
    keptBars_.clear();
    for (const TBarChart* chart : charts)
        keptBars_.push_back(barsOf(*chart));
}

void TScreenComparison::PairBars(const std::vector<TBarChart*>& charts, const QString& currentName,
                                 const QString& otherName) {
    if (keptBars_.size() != charts.size())
        return;
    for (std::size_t i = 0; i < charts.size(); ++i) {
        TBarChart& chart = *charts[i];
        const std::vector<std::pair<QString, int>> own = barsOf(chart);
        std::vector<std::pair<QString, int>> other = std::move(keptBars_[i]);
        std::vector<bool> paired(other.size(), false);
        const int height = chart.Height();
        chart.BeginUpdate();
        const TOnExit endUpdate([&chart] { chart.EndUpdate(); });
        chart.Clear();
        chart.SetSeries({{currentName, SeriesColour(0)}, {otherName, SeriesColour(1)}},
                        TBarStacking::Clustered);
        for (const auto& [label, value] : own) {
            int then = 0;
            for (std::size_t j = 0; j < other.size(); ++j)
                if (!paired[j] && other[j].first == label) {
                    paired[j] = true;
                    then = other[j].second;
                    break;
                }
            chart.AddGroup(label, {value, then});
        }
        for (std::size_t j = 0; j < other.size(); ++j)
            if (!paired[j])
                chart.AddGroup(other[j].first, {0, other[j].second});
        // A pair of bars needs about twice the room of one.
        chart.SetHeight(
            std::max(height, 2 * height * chart.BarCount() / std::max<int>(1, static_cast<int>(own.size()))));
        pairedCharts_.push_back(&chart);
    }
    keptBars_.clear();
}

QStringList TScreenComparison::FigureCaptions() const {
    QStringList captions;
    for (const Compared& compared : compared_)
        for (const QString& figure : compared.page.layout.figureFields) {
            const QString caption = compared.page.table->FieldByName(figure).DisplayLabel();
            if (!captions.contains(caption))
                captions << caption;
        }
    return captions;
}

const TVornClientDataSet* TScreenComparison::OtherRows(std::size_t index) const {
    for (const Compared& compared : compared_)
        if (compared.index == index)
            return compared.other.get();
    return nullptr;
}

bool TScreenComparison::OtherHasRows() const {
    for (const Compared& compared : compared_)
        if (compared.other->RecordCount() > 0)
            return true;
    return false;
}

namespace {

QString barLabel(const TVornClientDataSet& rows, const TComparedPage& page, int position) {
    QStringList parts;
    for (const QString& name : page.barLabelFields) {
        const TField* field = rows.FindField(name);
        if (field == nullptr)
            continue;
        QString text = CellText(field->Def(), rows.cellAtPosition(*field, position)).trimmed();
        if (!page.joinLabels && !text.isEmpty())
            return text;
        parts << text;
    }
    return parts.join(u' ');
}

/// A bar's value as the screens' own charts take it: rounded to a whole number.
int barValue(const TVornClientDataSet& rows, const QString& field, int position) {
    const TField& column = rows.FieldByName(field);
    const QVariant value = FromCell(column.Def(), rows.cellAtPosition(column, position));
    return value.isNull() ? 0 : static_cast<int>(std::llround(value.toDouble()));
}

} // namespace

void TScreenComparison::DrawCharts(const QString& figureField, const QString& currentName,
                                   const QString& otherName, int rowHeight) {
    for (const Compared& compared : compared_)
        drawChart(compared, figureField, currentName, otherName, rowHeight);
}

void TScreenComparison::DrawChart(std::size_t index, const QString& figureField, const QString& currentName,
                                  const QString& otherName, int rowHeight) {
    for (const Compared& compared : compared_)
        if (compared.index == index)
            drawChart(compared, figureField, currentName, otherName, rowHeight);
}

void TScreenComparison::drawChart(const Compared& compared, const QString& figureField,
                                  const QString& currentName, const QString& otherName, int rowHeight) {
    TBarChart* chart = compared.page.chart;
    if (chart == nullptr)
        return;
    const TVornClientDataSet& rows = *compared.rows;
    QString field = figureField;
    if (rows.FindField(field) == nullptr)
        field = compared.page.layout.figureFields.value(0);
    chart->BeginUpdate();
    const TOnExit endUpdate([chart] { chart->EndUpdate(); });
    chart->Clear();
    chart->SetSeries({{currentName, SeriesColour(0)}, {otherName, SeriesColour(1)}}, TBarStacking::Clustered);
    for (int position = 0; position < rows.RecordCount(); ++position)
        chart->AddGroup(barLabel(rows, compared.page, position),
                        {barValue(rows, ComparedFieldName(field, TComparedPart::Current), position),
                         barValue(rows, ComparedFieldName(field, TComparedPart::Other), position)});
    const int height = rows.RecordCount() * rowHeight;
    if (height > chart->Height())
        chart->SetHeight(height);
}

void TScreenTrend::Restore() {
    for (Page& page : pages_) {
        ShowInGrid(*page.page.grid, page.ownSource, page.ownColumns);
        ResetChart(page.page.chart);
    }
    pages_.clear();
    years_.clear();
}

void TScreenTrend::KeepYear(const std::vector<TComparedPage>& pages, const QString& caption,
                            const QString& totals) {
    Year year{caption, totals, {}};
    for (const TComparedPage& page : pages) {
        auto copy = std::make_unique<TVornClientDataSet>(page.table->Name() + caption);
        LoadTable(*copy, page.table->Active() ? RowsInOrder(*page.table) : Table(dataFieldsOf(*page.table)));
        year.tables.push_back(std::move(copy));
    }
    years_.push_back(std::move(year));
}

void TScreenTrend::Show(const std::vector<TComparedPage>& pages, const QString& caption,
                        const QString& totals, const QString& figure, int top) {
    KeepYear(pages, caption, totals);
    for (const TComparedPage& page : pages) {
        Page shown;
        shown.page = page;
        shown.rows = std::make_unique<TVornClientDataSet>(page.table->Name() + QStringLiteral("Verloop"));
        shown.source = std::make_unique<TVornDatasource>();
        shown.source->SetDataSet(shown.rows.get());
        TVornGridDBTableView* view = page.grid->GetActiveDBView();
        shown.ownSource = view->DataSource();
        shown.ownColumns = view->Columns();
        pages_.push_back(std::move(shown));
    }
    Redraw(figure, top);
}

void TScreenTrend::Redraw(const QString& figure, int top) {
    for (std::size_t index = 0; index < pages_.size(); ++index)
        showPage(index, figure, top);
}

void TScreenTrend::showPage(std::size_t index, const QString& figure, int top) {
    Page& page = pages_[index];
    const QString field =
        page.page.table->FindField(figure) != nullptr ? figure : page.page.layout.figureFields.value(0);
    const QString label = page.page.table->FieldByName(field).DisplayLabel();
    std::vector<TTrendYear> years;
    for (const Year& year : years_) {
        TTrendYear trendYear{year.tables[index].get(), year.caption, std::nullopt};
        for (const auto& [totalLabel, value] : TotalsOf(year.totals))
            if (totalLabel == label)
                trendYear.total = static_cast<double>(value);
        years.push_back(trendYear);
    }
    LoadTable(*page.rows, TrendRows(years, page.page.layout, field, top));
    page.rows->First();

    std::vector<TGridColumn> columns;
    for (const TGridColumn& column : page.ownColumns)
        if (page.page.layout.labelFields.contains(column.FieldName, Qt::CaseInsensitive))
            columns.push_back(column);
    for (std::size_t year = 0; year < years.size(); ++year)
        columns.push_back(
            {TrendFieldName(years[year].caption, static_cast<int>(year)), years[year].caption, 0});
    ShowInGrid(*page.page.grid, page.source.get(), columns);

    TBarChart* chart = page.page.chart;
    if (chart == nullptr)
        return;
    chart->BeginUpdate();
    const TOnExit endUpdate([chart] { chart->EndUpdate(); });
    chart->Clear();
    std::vector<TBarPainter::Series> series;
    for (std::size_t year = 0; year < years.size(); ++year)
        series.push_back({years[year].caption, SeriesColour(static_cast<int>(year))});
    chart->SetSeries(series, TBarStacking::Clustered);
    // The total is left out: beside it the categories would not show.
    const TVornClientDataSet& rows = *page.rows;
    for (int position = 1; position < rows.RecordCount(); ++position) {
        std::vector<int> values;
        for (std::size_t year = 0; year < years.size(); ++year)
            values.push_back(
                barValue(rows, TrendFieldName(years[year].caption, static_cast<int>(year)), position));
        chart->AddGroup(barLabel(rows, page.page, position), std::move(values));
    }
    chart->SetHeight(
        std::max(chart->Height(), (rows.RecordCount() - 1) * (10 * static_cast<int>(years.size()) + 12)));
}

std::vector<std::pair<QString, qint64>> TotalsOf(const QString& line) {
    static const QRegularExpression part(QStringLiteral("([^:]+?):\\s*(-?\\d+)"));
    QString body = line;
    const qsizetype colon = body.indexOf(QStringLiteral("Totalen :"));
    if (colon >= 0)
        body = body.mid(colon + 9);
    std::vector<std::pair<QString, qint64>> totals;
    auto matches = part.globalMatch(body);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        totals.emplace_back(match.captured(1).trimmed(), match.captured(2).toLongLong());
    }
    return totals;
}

QString TScreenComparison::TotalsLine(const QString& current) const {
    const auto others = TotalsOf(otherTotals_);
    QString text;
    for (const auto& [label, value] : TotalsOf(current)) {
        if (!text.isEmpty())
            text += QStringLiteral("    ");
        text += QStringLiteral("%1: %2").arg(label).arg(value);
        const auto other = std::find_if(others.begin(), others.end(),
                                        [&name = label](const auto& pair) { return pair.first == name; });
        if (other == others.end())
            continue;
        const qint64 difference = value - other->second;
        text += QStringLiteral(" (vgl. %1, %2%3, %4)")
                    .arg(other->second)
                    .arg(difference > 0 ? QStringLiteral("+") : QString())
                    .arg(difference)
                    .arg(ChangeText(static_cast<double>(value), static_cast<double>(other->second)));
    }
    return QStringLiteral("Totalen :    ") + text;
}

} // namespace telmod
