#pragma once

#include <QObject>

namespace vorn {

class TVornClientDataSet;

/// Connects observers (grids, lookups, charts) to a client dataset. Observers hear of opening and
/// closing, of moves of the current row and of changed data; nothing while the dataset's controls
/// are disabled, and one data change when they come back.
class TVornDatasource : public QObject {
    Q_OBJECT
public:
    explicit TVornDatasource(QObject* parent = nullptr);
    ~TVornDatasource() override;

    TVornClientDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TVornClientDataSet* dataSet);
    bool AutoEdit() const { return autoEdit_; }
    void SetAutoEdit(bool value) { autoEdit_ = value; }

    // Called by the dataset.
    void notifyActiveChanged(bool active) { emit activeChanged(active); }
    void notifyDataChanged() { emit dataChanged(); }
    void notifyScrolled() { emit scrolled(); }
    void notifyStateChanged() { emit stateChanged(); }
    void detachFromDataSet() { dataSet_ = nullptr; }

signals:
    void activeChanged(bool active);
    void dataChanged();
    void scrolled();
    void stateChanged();

private:
    TVornClientDataSet* dataSet_ = nullptr;
    bool autoEdit_ = true;
};

} // namespace vorn
