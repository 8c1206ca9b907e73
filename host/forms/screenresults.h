#pragma once

#include "host/data/datetime.h"
#include "host/data/fielddef.h"

#include <QString>

class QLabel;
class QWidget;
#include <QStringList>
#include <vector>

namespace vorn {

class TBarChart;
class TVornClientDataSet;
class TVornGridDBTableView;

/// What a data screen is asked to count: every member a screen does not take stays unset.
struct TScreenRequest {
    QString institutionCode;
    TDateTime date = NoDate; // screens with a reference date
    TDateTime from = NoDate; // screens with a period
    TDateTime to = NoDate;
    int figure = -1;   // the figure the charts show, where the screen has a choice
    int scale = 0;     // the band width, where the screen has one
    QString statistic; // the code of a stored statistic, where the screen runs one
    /// The other date (from only) or period a comparison sets the figures against; only when
    /// `setsComparison`, else the screen's comparison stays as the user left it.
    TDateTime compareFrom = NoDate;
    TDateTime compareTo = NoDate;
    /// A trend over this many school years instead (0: none); also only when `setsComparison`.
    int trendYears = 0;
    bool setsComparison = false;
};

/// The inputs a screen takes, so that a caller can say what a request asks that the screen lacks.
struct TScreenInputs {
    bool date = false;
    bool period = false;
    int figures = 0; // how many figures the charts can show; 0: no choice
    int scaleMinimum = 0;
    int scaleMaximum = 0;   // both 0: no band width
    bool statistic = false; // runs a stored statistic chosen by its code
    /// Counts over the user's work date (its school year) instead of a date of its own: a request's
    /// date is then the work date to run with.
    bool workDate = false;
    bool comparison = false; // sets its figures against another date or period
};

/// A column of a result table as its grid shows it.
struct TResultColumn {
    QString fieldName;
    QString caption;
    int width = 0; // pixels on screen
    bool numeric = false;
};

/// A grid's rows: its dataset in the screen's order, and the columns shown.
struct TResultTable {
    QString caption; // the grid's page caption
    TVornClientDataSet* dataSet = nullptr;
    std::vector<TResultColumn> columns;
    QWidget* view = nullptr; // the grid that shows it
    /// The dataset positions in the order the grid shows them (the user sorted it); empty: the
    /// dataset's own order.
    std::vector<int> rowOrder;
};

/// A chart's bars in the order shown; the chart paints itself for every output.
struct TResultSeries {
    QString caption; // the chart's page caption
    const TBarChart* chart = nullptr;
};

/// What an output says it shows (see ContextLines in outputcontext.h).
struct TResultHeading {
    QString screen;                                  // the screen's tab caption
    QString institution;                             // code and name
    QString period;                                  // the date or the period, as the user reads it
    QString periodLabel = QStringLiteral("Periode"); // "Datum" for a screen that counts on one date
    QString schoolYear;  // "2025-2026": the school year of the date or of the period's start
    QString figure;      // the figure shown, where the screen has a choice
    QString statistic;   // the stored statistic shown, where the screen runs one
    QStringList filters; // the filters a pivot applies, one "field: members" each
    QString comparison;  // the other date or period figures are set against, with its school year
    QString trend;       // the school years a trend shows, and how many categories
};

/// The results of a data screen, for everything that takes figures out of it: exports, printing,
/// the command line, tests and benchmarks. Inputs are set and the fetch is run through the
/// screen's own controls and action, so the screen behaves as when a user does the same.
class IScreenResults {
public:
    virtual ~IScreenResults() = default;
    virtual TScreenInputs Inputs() const = 0;
    /// The codes of the institutions the screen can be asked for, in its list's order.
    virtual QStringList InstitutionCodes() const = 0;
    /// Fills in the institution, dates, figure and band width; raises, naming what is wrong, when the
    /// screen lacks an input the request sets or a value is refused.
    virtual void SetRequest(const TScreenRequest& request) = 0;
    /// Runs the screen's fetch action; raises when the action is disabled or the fetch fails.
    virtual void Fetch() = 0;
    virtual std::vector<TResultTable> Tables() const = 0;
    virtual std::vector<TResultSeries> Series() const = 0;
    /// The totals line; empty when the screen has none.
    virtual QString Totals() const = 0;
    virtual TResultHeading Heading() const = 0;
};

} // namespace vorn

// Building blocks for screens that show their results on page controls of grids and charts.
namespace vorn {

class TVornAction;
class TVornComboBox;
class TVornDBgrid;
class TVornSpinEdit;
class TVornLookupEdit;
class TVornDateEdit;
class TVornPageControl;

/// The rows and shown columns of a grid.
TResultTable ResultTableOf(const QString& caption, const TVornDBgrid& grid);
/// A table for every grid page (a grid, or a page holding one) whose dataset is open.
std::vector<TResultTable> ResultTablesOf(const TVornPageControl& pages);
/// A series for every chart page (a chart, or a page holding one).
std::vector<TResultSeries> ResultSeriesOf(const TVornPageControl& pages);
/// Chooses the row of the lookup's list whose IS_CODE is `code` (letter case ignored); raises when
/// the list has none.
void ChooseInstitutionByCode(TVornLookupEdit& lookup, const QString& code);
/// The IS_CODE of every row of the lookup's list.
QStringList InstitutionCodesOf(const TVornLookupEdit& lookup);
/// "CODE naam" of the institution chosen in the lookup.
QString ChosenInstitutionText(const TVornLookupEdit& lookup);
/// Runs the action's update and, when that enables it, its execute handler; raises what the handler
/// raises, or a message when the action stays disabled.
void RunFetchAction(TVornAction& action);

/// The controls of a screen that the results contract drives and reads; null where a screen has none.
struct TResultControls {
    QString screenCaption;
    TVornLookupEdit* institution = nullptr;
    TVornDateEdit* date = nullptr;
    TVornDateEdit* from = nullptr;
    TVornDateEdit* to = nullptr;
    TVornComboBox* figure = nullptr;
    TVornSpinEdit* scale = nullptr;
    TVornAction* fetch = nullptr;
    TVornPageControl* grids = nullptr;
    TVornPageControl* charts = nullptr;
    QLabel* totals = nullptr;
    /// The comparison choice (item 0: none, item 2: the date or period in the edits) and
    /// the other date or period as used; `compareTo` on period screens only.
    TVornComboBox* compare = nullptr;
    TVornDateEdit* compareFrom = nullptr;
    TVornDateEdit* compareTo = nullptr;
    /// A trend (item 3 of `compare`): its school years and its largest categories.
    TVornSpinEdit* trendYears = nullptr;
    TVornSpinEdit* trendTop = nullptr;
};

/// The results contract of a screen whose inputs and results are its controls: the screen names
/// them once, and the contract is kept for every screen alike.
class TControlResults : public IScreenResults {
public:
    TScreenInputs Inputs() const override;
    QStringList InstitutionCodes() const override;
    void SetRequest(const TScreenRequest& request) override;
    void Fetch() override;
    std::vector<TResultTable> Tables() const override;
    std::vector<TResultSeries> Series() const override;
    QString Totals() const override;
    TResultHeading Heading() const override;

protected:
    virtual TResultControls ResultControls() const = 0;
};

} // namespace vorn
