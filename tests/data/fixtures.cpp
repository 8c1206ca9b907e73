#include "fixtures.h"

#include "host/data/datetime.h"

namespace vorn::testing {

Table MakeTable(std::vector<FieldDef> fields, const std::vector<QVariantList>& rows) {
    Table table(std::move(fields));
    for (const QVariantList& row : rows)
        for (int c = 0; c < row.size(); ++c)
            AppendValue(table, c, row[c]);
    return table;
}

Table PupilTable() {
    return MakeTable({FieldDef::integer("LL_ID"), FieldDef::wideString("LL_NAAM", 30),
                      FieldDef::fixedChar("LL_GESLACHT", 1), FieldDef::date("LL_GEBOORTE"),
                      FieldDef::decimal("LL_UREN", 18, 3)},
                     {
                         {30, "Wouters", "M", QDate(2008, 3, 1), 12.5},
                         {10, "de Smet", "V", QDate(2009, 7, 14), 3.25},
                         {20, "Claes", "V", QDate(2007, 1, 30), QVariant()},
                         {40, "Van Damme", "M", QVariant(), 0},
                     });
}

PupilBroker::PupilBroker() {
    addTable("DSPPupils", PupilTable(), "LL_ID");
}

std::vector<qint64> IdsInOrder(TVornClientDataSet& dataSet, const QString& field) {
    std::vector<qint64> ids;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        ids.push_back(dataSet.FieldByName(field).AsLargeInt());
    return ids;
}

} // namespace vorn::testing
