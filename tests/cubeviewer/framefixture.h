#pragma once

#include "host/cubeviewer/olapframe.h"
#include "host/data/clientdataset.h"
#include "host/forms/processservices.h"
#include "tests/common/qtprint.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <vector>

namespace vorn::testing {

/// One enrolment as the test builds it; the dataset and every recount read these.
struct TEnrolment {
    QString klas;
    QString geslacht; // empty: null
    int graad = 0;
    int id = 0;
    std::optional<double> uren;
    QString naam;
};

/// Sixty enrolments over five classes of three grades, some without hours or sex (null).
std::vector<TEnrolment> Enrolments(int count = 60);
/// A local dataset of the enrolments: KLAS, GESLACHT, GRAAD, LL_ID, UREN, NAAM.
std::unique_ptr<TVornClientDataSet> EnrolmentDataSet(const std::vector<TEnrolment>& rows);
/// A dataset with one blob field holding `text`, on its only row.
std::unique_ptr<TVornClientDataSet> BlobDataSet(const QByteArray& text);

/// Dimensions GRAAD, KLAS, GESLACHT; measures Aantal (count), Cursisten (distinct LL_ID) and Uren
/// (sum, "0.0"); rows GRAAD and KLAS, columns GESLACHT, measures Aantal and Uren.
extern const char* const EnrolmentCube;

/// Saves a picture when VORN_SCREENSHOTS names a folder, for a person to look at.
void KeepScreenshot(QWidget& widget, const QString& name);

/// The text of a cell, or of the merged heading that covers it.
QString ShownText(const TPivotTableModel& model, int row, int column);
/// The model row whose row headings read `labels` (one per level); -1 when none.
int RowOf(const TPivotTableModel& model, const QStringList& labels);
/// The model column under the column headings `labels` (one per level) and the measure caption.
int ColumnOf(const TPivotTableModel& model, const QStringList& labels, const QString& measure);

/// A frame showing the enrolment cube.
struct CubeFrame : ::testing::Test {
    std::vector<TEnrolment> rows = Enrolments();
    std::unique_ptr<TVornClientDataSet> dataSet = EnrolmentDataSet(rows);
    TOLAPFrame frame;
    std::vector<QString> errors;
    std::optional<TServicesScope> reporter;

    void SetUp() override;
    void TearDown() override;
    TPivotTableModel& model() const { return *frame.Model(); }
    int dimension(const QString& name) const { return frame.Definition().DimensionIndex(name); }
    /// The number of enrolments that satisfy `keep`.
    int recount(const std::function<bool(const TEnrolment&)>& keep) const;
    double sumOfHours(const std::function<bool(const TEnrolment&)>& keep) const;
    /// A model cell's number (EditRole); NaN when it is empty.
    double number(int row, int column) const;
};

} // namespace vorn::testing
