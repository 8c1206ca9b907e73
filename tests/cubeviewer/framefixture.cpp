#include "framefixture.h"

#include "host/cubeviewer/pivotpainter.h"
#include "host/data/provider.h"
#include "host/forms/hostservices.h"

#include <cmath>
#include <limits>

namespace vorn::testing {

const char* const EnrolmentCube = R"({"format": "vorn-cube", "version": 1,
    "dimensions": [{"field": "GRAAD", "caption": "Graad"}, {"field": "KLAS", "caption": "Klas"},
                   {"field": "GESLACHT", "caption": "Geslacht"}],
    "measures": [{"name": "Aantal", "aggregate": "count", "caption": "Aantal"},
                 {"name": "Cursisten", "field": "LL_ID", "aggregate": "countDistinct"},
                 {"name": "Uren", "field": "UREN", "aggregate": "sum", "format": "0.0"}],
    "layout": {"rows": ["GRAAD", "KLAS"], "columns": ["GESLACHT"], "measures": ["Aantal", "Uren"]}})";

std::vector<TEnrolment> Enrolments(int count) {
    static const QStringList classes{"1A", "1B", "2A", "2B", "3A"};
    std::vector<TEnrolment> rows;
    for (int i = 0; i < count; ++i) {
        TEnrolment row;
        row.klas = classes[i % classes.size()];
        row.graad = row.klas.left(1).toInt();
        if (i % 11 != 5) // some rows do not say
            row.geslacht = (i * 7) % 3 == 0 ? QStringLiteral("V") : QStringLiteral("M");
        row.id = 1 + (i * 13) % 40;
        if (i % 6 != 0)
            row.uren = 0.5 * (i % 9);
        row.naam = QStringLiteral("Leerling %1").arg(i);
        rows.push_back(row);
    }
    return rows;
}

std::unique_ptr<TVornClientDataSet> EnrolmentDataSet(const std::vector<TEnrolment>& rows) {
    std::vector<FieldDef> fields{FieldDef::wideString("KLAS", 10), FieldDef::fixedChar("GESLACHT", 1),
                                 FieldDef::integer("GRAAD"),       FieldDef::integer("LL_ID"),
                                 FieldDef::floating("UREN"),       FieldDef::wideString("NAAM", 30)};
    Table table(fields);
    for (const TEnrolment& row : rows) {
        AppendValue(table, 0, row.klas);
        AppendValue(table, 1, row.geslacht.isEmpty() ? QVariant() : QVariant(row.geslacht));
        AppendValue(table, 2, row.graad);
        AppendValue(table, 3, row.id);
        AppendValue(table, 4, row.uren ? QVariant(*row.uren) : QVariant());
        AppendValue(table, 5, row.naam);
    }
    auto dataSet = std::make_unique<TVornClientDataSet>(QStringLiteral("Inschrijvingen"));
    for (const FieldDef& field : fields)
        dataSet->AddField(field);
    dataSet->CreateDataSet(std::move(table));
    return dataSet;
}

std::unique_ptr<TVornClientDataSet> BlobDataSet(const QByteArray& text) {
    std::vector<FieldDef> fields{FieldDef::blob("L_DEFINITIE")};
    Table table(fields);
    AppendValue(table, 0, text);
    auto dataSet = std::make_unique<TVornClientDataSet>(QStringLiteral("OLAP"));
    dataSet->AddField(fields.front());
    dataSet->CreateDataSet(std::move(table));
    dataSet->First();
    return dataSet;
}

void KeepScreenshot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("VORN_SCREENSHOTS");
    if (!folder.isEmpty())
        widget.grab().save(folder + "/" + name + ".png");
}

QString ShownText(const TPivotTableModel& model, int row, int column) {
    const QPoint origin = SpanOrigin(model, row, column);
    return model.data(model.index(origin.y(), origin.x())).toString();
}

int RowOf(const TPivotTableModel& model, const QStringList& labels) {
    for (int row = model.HeaderRowCount(); row < model.rowCount(); ++row) {
        QStringList heads;
        for (int level = 0; level < model.HeaderColumnCount(); ++level)
            heads << ShownText(model, row, level);
        if (heads == labels)
            return row;
    }
    return -1;
}

int ColumnOf(const TPivotTableModel& model, const QStringList& labels, const QString& measure) {
    const int measureRow = model.HeaderRowCount() - 1;
    for (int column = model.HeaderColumnCount(); column < model.columnCount(); ++column) {
        QStringList heads;
        for (int level = 0; level < measureRow; ++level)
            heads << ShownText(model, level, column);
        if (heads == labels && model.data(model.index(measureRow, column)).toString() == measure)
            return column;
    }
    return -1;
}

void CubeFrame::SetUp() {
    reporter.emplace(
        TProcessServices{.errorReporter = [this](const QString& message) { errors.push_back(message); }});
    const std::unique_ptr<TVornClientDataSet> blob = BlobDataSet(EnrolmentCube);
    frame.LoadDefinition(blob->FieldByName(QStringLiteral("L_DEFINITIE")));
    frame.SetDataset(dataSet.get());
    frame.resize(1000, 600);
    frame.ShowCube();
}

void CubeFrame::TearDown() {
    reporter.reset();
}

int CubeFrame::recount(const std::function<bool(const TEnrolment&)>& keep) const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), keep));
}

double CubeFrame::sumOfHours(const std::function<bool(const TEnrolment&)>& keep) const {
    double sum = 0;
    for (const TEnrolment& row : rows)
        if (keep(row) && row.uren)
            sum += *row.uren;
    return sum;
}

double CubeFrame::number(int row, int column) const {
    const QVariant value = model().data(model().index(row, column), Qt::EditRole);
    return value.isValid() ? value.toDouble() : std::numeric_limits<double>::quiet_NaN();
}

} // namespace vorn::testing
