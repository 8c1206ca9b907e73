#pragma once

#include "host/controls/barchart.h"
#include "host/controls/dbgrid.h"
#include "host/controls/editors.h"
#include "host/data/clientdataset.h"
#include "host/data/comparison.h"
#include "host/data/datasource.h"
#include "host/data/datetime.h"
#include "host/data/inifile.h"

#include <QObject>
#include <QSet>
#include <QToolButton>
#include <memory>
#include <vector>

namespace telmod {

/// A date (from == to) or a period.
struct TDateSpan {
    vorn::TDateTime from = vorn::NoDate;
    vorn::TDateTime to = vorn::NoDate;
};

/// What the comparison choice offers, in the order of its items.
enum class TComparisonChoice : std::uint8_t { None, PreviousSchoolYear, Other, Trend };

/// The date or period `years` school years earlier (each date that many years back).
TDateSpan YearsEarlier(const TDateSpan& span, int years);
/// "2025-2026": the school year of a date.
QString SchoolYearCaption(vorn::TDateTime date);
/// Raises, in Dutch, when the server lacks a school year of a trend of `years` ending at `current`,
/// naming how many it can show.
void CheckTrendYears(const TDateSpan& current, int years);

/// Shows `columns` of the rows behind `source` in the grid.
void ShowInGrid(vorn::TVornDBgrid& grid, vorn::TVornDatasource* source,
                const std::vector<vorn::TGridColumn>& columns);
/// Empties a chart and makes it one value a bar again (null: nothing).
void ResetChart(vorn::TBarChart* chart);

/// The same date or period one school year earlier: each date a year back (29 February becomes 28).
TDateSpan PreviousSchoolYearOf(const TDateSpan& span);
/// Raises, in Dutch, when `other` cannot be set against `current`: not filled in, the same, an
/// overlap, or no school year on the server for its start.
void CheckComparable(const TDateSpan& current, const TDateSpan& other, bool period);
/// "dd/mm/jjjj" or "dd/mm/jjjj - dd/mm/jjjj".
QString SpanText(const TDateSpan& span, bool period);

/// The "Vergelijken met" line of a statistics screen: the choice, the other date or period (filled
/// in and read-only unless "andere" is chosen), a note, and a menu of the figures whose comparison
/// columns are shown.
class TComparisonBar : public QObject {
    Q_OBJECT
public:
    /// Builds the controls on `panel` at `top`, for a screen of one date or of a period; `trend`:
    /// a trend over school years is offered too.
    TComparisonBar(vorn::TVornPanel* panel, int top, bool period, bool trend = true);

    vorn::TVornLabel* LVergelijk;
    vorn::TVornComboBox* CBVergelijk;
    vorn::TVornDateEdit* EVergelijkVanaf;
    vorn::TVornDateEdit* EVergelijkTot = nullptr; // period screens only
    vorn::TVornSpinEdit* SEJaren;                 // a trend's school years
    vorn::TVornSpinEdit* SEGrootste;              // a trend's largest categories
    QToolButton* BKolommen;
    vorn::TVornLabel* LVergelijkNoot;

    bool Period() const { return period_; }
    bool OffersTrend() const { return CBVergelijk->count() > static_cast<int>(TComparisonChoice::Trend); }
    TComparisonChoice Choice() const;
    /// Set against another date or period (not a trend).
    bool Active() const {
        return Choice() == TComparisonChoice::PreviousSchoolYear || Choice() == TComparisonChoice::Other;
    }
    bool Trend() const { return Choice() == TComparisonChoice::Trend; }
    /// The other date or period for the current one, shown in the edits; raises when not comparable.
    TDateSpan OtherFor(const TDateSpan& current);
    /// Shows what the choice would compare with while the screen's date or period changes.
    void Follow(const TDateSpan& current);

    /// The figures (by caption) whose comparison columns the user hid.
    const QSet<QString>& HiddenFigures() const { return hidden_; }
    /// The figures the column menu offers; their hidden state is kept.
    void OfferFigures(const QStringList& captions);

    void Save(vorn::TVornIniFile& settings, const QString& section) const;
    void Restore(const vorn::TVornIniFile& settings, const QString& section);
    /// Sets a trend over `years` school years (0: no trend, the choice as it is).
    void ChooseTrend(int years);

signals:
    /// The columns shown changed.
    void columnsChanged();

private:
    void choiceChanged();
    TDateSpan typedSpan() const;
    void showSpan(const TDateSpan& span);

    bool period_;
    TDateSpan current_;
    QSet<QString> hidden_;
    QStringList offered_;
};

/// One grid of a screen and its chart, as they are compared.
struct TComparedPage {
    vorn::TVornDBgrid* grid = nullptr;
    vorn::TVornClientDataSet* table = nullptr; // the screen's own rows
    vorn::TComparisonLayout layout;
    vorn::TBarChart* chart = nullptr;
    /// The chart's bar label: the first field with a text (e.g. description, then code), or all of
    /// them joined when `joinLabels`.
    QStringList barLabelFields;
    bool joinLabels = false;
};

/// The other side of a screen's grids, and the compared rows the grids show instead of their own.
class TScreenComparison {
public:
    /// Keeps a copy of every page's rows, fetched for the other date or period.
    void KeepOther(const std::vector<TComparedPage>& pages, const QString& totals);
    /// Shows each page's compared rows in its grid (the figures of `hidden` without their
    /// comparison columns), and remembers the pages for Redraw.
    void Show(const std::vector<TComparedPage>& pages, const QSet<QString>& hidden);
    /// Keeps the bars of charts the screen counts itself (no grid behind them), drawn for the other
    /// date or period.
    void KeepOtherBars(const std::vector<vorn::TBarChart*>& charts);
    /// Redraws those charts with paired bars: each of the screen's own bars with the other's bar of
    /// the same label (none: 0), then the other's bars without a partner.
    void PairBars(const std::vector<vorn::TBarChart*>& charts, const QString& currentName,
                  const QString& otherName);
    /// Puts the grids back on the screen's own rows, the charts back to one value a bar, and forgets
    /// the other side.
    void Restore();
    bool Shown() const { return !compared_.empty() || !pairedCharts_.empty(); }
    /// Paired bars of one figure (current and other) on every compared page's chart, in the order
    /// of its grid; `rowHeight` pixels a pair.
    void DrawCharts(const QString& figureField, const QString& currentName, const QString& otherName,
                    int rowHeight);
    /// As DrawCharts, for the page at `index` of those given to Show.
    void DrawChart(std::size_t index, const QString& figureField, const QString& currentName,
                   const QString& otherName, int rowHeight);
    /// The figure captions of the first compared page, for the column menu.
    QStringList FigureCaptions() const;
    /// Shows the columns again after the hidden figures changed.
    void ShowColumns(const QSet<QString>& hidden);
    /// "Totalen :    A: 12 (vgl. 10, +2, +20 %)    ..." from the totals lines of both sides.
    QString TotalsLine(const QString& current) const;
    /// Whether the other side has any row at all.
    bool OtherHasRows() const;
    /// The other side's rows of the page at `index` of those given to Show; null when not compared.
    const vorn::TVornClientDataSet* OtherRows(std::size_t index) const;

private:
    struct Compared {
        std::size_t index = 0; // of the page as given to Show
        TComparedPage page;
        std::unique_ptr<vorn::TVornClientDataSet> other;
        std::unique_ptr<vorn::TVornClientDataSet> rows;
        std::unique_ptr<vorn::TVornDatasource> source;
        vorn::TVornDatasource* ownSource = nullptr;
        std::vector<vorn::TGridColumn> ownColumns;
    };
    void showColumns(Compared& compared, const QSet<QString>& hidden) const;
    static void drawChart(const Compared& compared, const QString& figureField, const QString& currentName,
                          const QString& otherName, int rowHeight);

    std::vector<std::unique_ptr<vorn::TVornClientDataSet>> kept_;
    QString otherTotals_;
    std::vector<Compared> compared_;
    std::vector<std::vector<std::pair<QString, int>>> keptBars_;
    std::vector<vorn::TBarChart*> pairedCharts_;
};

/// A screen's figures over several school years: each year's rows are kept as they are fetched,
/// and each grid shows the trend of the chosen figure instead of its own rows.
class TScreenTrend {
public:
    /// Forgets the years kept and puts the grids and charts back on the screen's own rows.
    void Restore();
    /// Keeps every page's rows of one school year, oldest first, with its totals line.
    void KeepYear(const std::vector<TComparedPage>& pages, const QString& caption, const QString& totals);
    /// Shows the trend of `figure` on every page, the screen's own rows as the last year.
    void Show(const std::vector<TComparedPage>& pages, const QString& caption, const QString& totals,
              const QString& figure, int top);
    /// Shows the trend of another figure.
    void Redraw(const QString& figure, int top);
    bool Shown() const { return !pages_.empty(); }
    int Years() const { return static_cast<int>(years_.size()); }

private:
    struct Year {
        QString caption;
        QString totals;
        std::vector<std::unique_ptr<vorn::TVornClientDataSet>> tables;
    };
    struct Page {
        TComparedPage page;
        std::unique_ptr<vorn::TVornClientDataSet> rows;
        std::unique_ptr<vorn::TVornDatasource> source;
        vorn::TVornDatasource* ownSource = nullptr;
        std::vector<vorn::TGridColumn> ownColumns;
    };
    void showPage(std::size_t index, const QString& figure, int top);

    std::vector<Year> years_;
    std::vector<Page> pages_;
};

/// The totals line "Totalen :    label: number    ..." as pairs of label and number.
std::vector<std::pair<QString, qint64>> TotalsOf(const QString& line);

} // namespace telmod
