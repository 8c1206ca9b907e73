#pragma once

#include "host/data/clientdataset.h"
#include "host/data/provider.h"
#include "tests/common/qtprint.h"

#include <QVariantList>
#include <vector>

namespace vorn::testing {

/// A table with the given fields and rows; each row lists one value per field.
Table MakeTable(std::vector<FieldDef> fields, const std::vector<QVariantList>& rows);

/// Pupils: LL_ID integer, LL_NAAM text 30, LL_GESLACHT fixed 1, LL_GEBOORTE date, LL_UREN decimal(18,3).
Table PupilTable();

/// A broker with the provider "DSPPupils" answering PupilTable().
class PupilBroker : public InMemoryBroker {
public:
    PupilBroker();
};

/// The ids of all rows in the dataset's current order (moves the cursor).
std::vector<qint64> IdsInOrder(TVornClientDataSet& dataSet, const QString& field);

} // namespace vorn::testing
