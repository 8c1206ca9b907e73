#include "datasource.h"

#include "clientdataset.h"

namespace vorn {

TVornDatasource::TVornDatasource(QObject* parent) : QObject(parent) {}

TVornDatasource::~TVornDatasource() {
    if (dataSet_ != nullptr)
        dataSet_->detachDatasource(this);
}

void TVornDatasource::SetDataSet(TVornClientDataSet* dataSet) {
    if (dataSet_ == dataSet)
        return;
    if (dataSet_ != nullptr)
        dataSet_->detachDatasource(this);
    dataSet_ = dataSet;
    if (dataSet_ != nullptr)
        dataSet_->attachDatasource(this);
    emit activeChanged(dataSet_ != nullptr && dataSet_->Active());
}

} // namespace vorn
