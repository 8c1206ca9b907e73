#pragma once

#include <QComboBox>
#include <QPointer>
#include <QStringList>

class QLabel;
class QTableView;

namespace vorn {

class TVornDatasource;
class TVornGridDBTableView;

/// A drop-down that picks a row of a list: several columns in the list, one key field, an optional
/// label that shows fields of the chosen row. With a synchronised list the list's dataset follows
/// the chosen row.
class TVornLookupEdit : public QComboBox {
    Q_OBJECT
public:
    explicit TVornLookupEdit(QWidget* parent = nullptr);

    QString KeyField;
    /// The columns of the drop-down list; the first is shown in the edit.
    void SetListColumns(const QStringList& fields);
    const QStringList& ListColumns() const { return columns_; }
    int MinColumnWidth = 64;
    void SetDropDownWidth(int pixels);
    bool SyncList = true;
    /// A label that shows these fields (';'-separated) of the chosen row, joined by a blank.
    void SetAssociatedLabel(QLabel* label, const QString& fields);

    /// The lookup's properties; the list source can be read and changed through them.
    TVornLookupEdit& GetProperties() { return *this; }
    TVornDatasource* ListSource() const { return source_; }
    void SetListSource(TVornDatasource* source);

    /// The key of the chosen row, -1 when none is chosen.
    qint64 GetLookupID() const { return chosenKey_; }
    /// Chooses the row with this key; -1 (or an unknown key) chooses none.
    void SetLookupID(qint64 id);

signals:
    /// The chosen key changed.
    void changed();

private:
    void rowChosen(int row);
    void reselect();
    qint64 keyAt(int row) const;
    void showLabel();
    void fitColumns();

    TVornGridDBTableView* model_;
    QTableView* list_;
    QPointer<TVornDatasource> source_;
    QStringList columns_;
    QPointer<QLabel> label_;
    QString labelFields_;
    qint64 chosenKey_ = -1;
    bool reselecting_ = false;
};

/// Prepares the institution lookup of a statistics screen on the master browse list's data source:
/// key IS_ID, columns code, institution number and name, the name in the associated label.
void InitInstellingLookup(TVornLookupEdit& lookup, TVornDatasource* source);

} // namespace vorn
