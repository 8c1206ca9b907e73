#pragma once

#include "aggregates.h"
#include "cell.h"
#include "changelog.h"
#include "datasource.h"
#include "params.h"
#include "provider.h"
#include "roworder.h"
#include "table.h"

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace vorn {

class TVornClientDataSet;

/// One integer field of every record, in the dataset's order, read in place: valid until the dataset
/// changes. A column with nulls or 64-bit storage is converted once (a null reads as 0).
class TIntegerColumnView {
public:
    std::int32_t operator[](std::size_t position) const { return values_[order_[position]]; }
    std::size_t size() const { return size_; }
    // Move only: a copy of the converted values would leave the pointer on the original's.
    TIntegerColumnView(TIntegerColumnView&&) noexcept = default;
    TIntegerColumnView& operator=(TIntegerColumnView&&) noexcept = default;
    TIntegerColumnView(const TIntegerColumnView&) = delete;
    TIntegerColumnView& operator=(const TIntegerColumnView&) = delete;
    /// The values indexed by stored row, and the dataset's order of the stored rows.
    const std::int32_t* Values() const { return values_; }
    const std::uint32_t* Order() const { return order_; }

private:
    friend class TVornClientDataSet;
    TIntegerColumnView(const std::int32_t* values, const std::vector<std::uint32_t>& order,
                       std::vector<std::int32_t> converted = {})
        : converted_(std::move(converted)), values_(converted_.empty() ? values : converted_.data()),
          order_(order.data()), size_(order.size()) {}
    std::vector<std::int32_t> converted_;
    const std::int32_t* values_;
    const std::uint32_t* order_;
    std::size_t size_;
};

/// One text field of every record, in the dataset's order, read in place (a null reads as empty):
/// valid until the dataset changes.
class TTextColumnView {
public:
    std::string_view operator[](std::size_t position) const {
        const std::size_t row = order_[position];
        return column_->isNull(row) ? std::string_view() : column_->bytesAt(row);
    }
    std::size_t size() const { return size_; }

private:
    friend class TVornClientDataSet;
    TTextColumnView(const Column& column, const std::vector<std::uint32_t>& order)
        : column_(&column), order_(order.data()), size_(order.size()) {}
    const Column* column_;
    const std::uint32_t* order_;
    std::size_t size_;
};

class TVornClientDataSet;
class TVornDatasource;

enum class TDataSetState { Inactive, Browse, Edit, Insert, CalcFields };

/// A field of a client dataset: its settings, and typed access to its value in the current row.
class TField {
public:
    TField(TVornClientDataSet* dataSet, FieldDef def, int index);

    const QString& FieldName() const { return def_.name; }
    TFieldType DataType() const { return def_.type; }
    TFieldKind FieldKind() const { return def_.kind; }
    int Size() const { return def_.size; }
    int Precision() const { return def_.precision; }
    int Scale() const { return def_.scale; }
    int Index() const { return index_; }
    TVornClientDataSet* DataSet() const { return dataSet_; }
    const FieldDef& Def() const { return def_; }

    QString DisplayLabel() const { return def_.displayLabel.isEmpty() ? def_.name : def_.displayLabel; }
    void SetDisplayLabel(const QString& label);
    /// Width in characters; without a set width, the text width or a width that fits the type.
    int DisplayWidth() const;
    void SetDisplayWidth(int width);
    bool Visible() const { return def_.visible; }
    void SetVisible(bool visible);
    bool Required() const { return def_.required; }
    void SetRequired(bool required);
    TProviderFlags ProviderFlags() const { return def_.providerFlags; }
    void SetProviderFlags(TProviderFlags flags);

    bool IsNull() const;
    /// Raises when the value does not fit 32 bits; decimals and floats round half away from zero.
    int AsInteger() const;
    qint64 AsLargeInt() const;
    double AsFloat() const;
    /// Texts as stored; numbers in the C locale; dates as YYYY-MM-DD; null as an empty text.
    QString AsString() const;
    TDateTime AsDateTime() const;
    QByteArray AsBytes() const;
    /// The stored UTF-8 bytes of a text field without copying; valid until the next change.
    std::string_view AsUtf8() const;
    QVariant AsVariant() const;
    /// The value as the user sees it: dates and decimals in the user's locale.
    QString DisplayText() const;
    /// A stored value of this field as the user sees it.
    QString DisplayTextOf(const Cell& cell) const;
    /// The natural value of a cell of this field (see AsVariant).
    QVariant ValueOf(const Cell& cell) const;

    void SetAsInteger(qint64 value);
    void SetAsLargeInt(qint64 value) { SetAsInteger(value); }
    void SetAsFloat(double value);
    void SetAsString(const QString& value);
    void SetAsDateTime(TDateTime value);
    void SetValue(const QVariant& value);
    void Clear();

private:
    friend class TVornClientDataSet;
    TVornClientDataSet* dataSet_;
    FieldDef def_;
    int index_;
    int column_ = -1; // storage column in the dataset's table; -1 for lookup fields
};

/// The host's client dataset: rows of a named provider (or a local table), typed fields,
/// parameters, a current row, local changes sent to the provider in one apply.
class TVornClientDataSet {
public:
    using CalcFieldsEvent = std::function<void(TVornClientDataSet&)>;

    explicit TVornClientDataSet(const QString& name = {}, IProviderBroker* broker = nullptr);
    virtual ~TVornClientDataSet();
    TVornClientDataSet(const TVornClientDataSet&) = delete;
    TVornClientDataSet& operator=(const TVornClientDataSet&) = delete;

    const QString& Name() const { return name_; }
    void SetBroker(IProviderBroker* broker) { broker_ = broker; }
    const QString& ProviderName() const { return providerName_; }
    void SetProviderName(const QString& name);
    const QString& CommandText() const { return commandText_; }
    /// Sets the command text and, with `createParams`, rebuilds the parameters from its colon-prefixed names.
    void SetCommandText(const QString& text, bool createParams = true);

    // Declared settings.
    bool AutoOpen = true;
    bool AutoCommit = false;
    bool BrowserDataset = false;
    bool SkipConfirmation = false;
    bool LastInsertIDToMaster = false;
    int MaxErrors = 0;
    QString IDField;
    QString SortFields;
    QString SortDescFields;
    QString OrderField;
    /// "FIELD=Param" pairs, separated by ';' or new lines: appended rows take the parameter's value.
    QString ParamToFields;
    CalcFieldsEvent OnCalcFields;

    // Parameters.
    TParams& Params() { return params_; }
    const TParams& Params() const { return params_; }
    TParam& ParamByName(const QString& name) const { return params_.ParamByName(name); }

    // Fields.
    /// Declares a field; declared fields stay across opening and closing.
    TField& AddField(const FieldDef& def);
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    TField& Fields(int index) const { return *fields_.at(static_cast<std::size_t>(index)); }
    /// The field of that name, letter case ignored; null when absent.
    TField* FindField(const QString& name) const;
    /// The field of that name, letter case ignored; raises when absent.
    TField& FieldByName(const QString& name) const;
    /// Removes every declared field; the dataset must be closed.
    void ClearFields();
    std::vector<FieldDef> FieldDefs() const;

    // Opening and closing.
    bool Active() const { return state_ != TDataSetState::Inactive; }
    TDataSetState State() const { return state_; }
    void Open();
    void Close();
    /// Creates an empty local table from the declared fields and opens it.
    void CreateDataSet();
    /// Creates the dataset holding `rows` as its data (not as pending inserts): one column a declared
    /// field, of the field's storage. Filled by the caller with typed values, so no variant is built
    /// per cell.
    void CreateDataSet(Table rows);

    // Navigation.
    int RecordCount() const { return static_cast<int>(order_.size()); }
    /// 1-based position of the current row; 0 when there is none.
    int RecNo() const;
    void SetRecNo(int recNo);
    void First();
    void Last();
    void Next();
    void Prior();
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const { return order_.empty(); }

    /// Reorders the rows by the fields of `fields` (';'-separated); those also in `descFields` descend.
    /// Equal rows keep their previous order.
    void Sort(const QString& fields, const QString& descFields = {});
    /// Makes the first row whose key field equals `id` current; an empty name means IDField.
    bool LocateID(qint64 id, const QString& keyField = {});

    // Whole columns, for passes over every record: the values a walk from First to the end reads,
    // in the current order, without moving the cursor.
    /// The whole numbers of an integer data field (0 for null).
    std::vector<std::int32_t> IntegerColumn(const TField& field) const;
    /// The texts of a text data field (empty for null), valid until the dataset changes.
    std::vector<std::string_view> TextColumn(const TField& field) const;
    /// For every record in the current order, whether its text equals `text` (a null does not):
    /// one byte a record where a whole text column would take sixteen.
    std::vector<std::uint8_t> TextEquals(const TField& field, std::string_view text) const;
    /// An integer data field read in the current order without copying its column.
    TIntegerColumnView IntegerView(const TField& field) const;
    /// A text data field read in the current order without copying its column.
    TTextColumnView TextView(const TField& field) const;

    // Local changes.
    void Append();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    int ChangeCount() const;
    /// Sends every pending change to the provider in one call and answers the number of failed rows.
    /// Raises, keeping every change, when more than `maxErrors` rows fail (negative: any number may fail).
    int ApplyUpdates(int maxErrors);
    void CancelUpdates();

    // Aggregates.
    TAggregates& Aggregates() { return aggregates_; }
    bool AggregatesActive = false;

    // Observers.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    /// Links this dataset to a master data source: parameters named like the master's fields
    /// follow the master's current row. Null cuts the link.
    void SetMasterdataSource(TVornDatasource* master);
    TVornDatasource* MasterdataSource() const { return master_; }

    // Whole-table reading, for passes that bypass the cursor.
    /// Value of `field` in the row at `position` of the current order.
    Cell cellAtPosition(const TField& field, int position) const;
    const Table& data() const { return data_; }
    const std::vector<std::uint32_t>& order() const { return order_; }

protected:
    /// Fetches the provider's rows for the current parameters.
    virtual Table fetch();
    IProviderBroker& broker() const;
    void requireActive() const;
    const Column& textColumnOf(const TField& field) const;

private:
    // The plumbing of fields and data sources.
    friend class TField;
    friend class TVornDatasource;
    void attachDatasource(TVornDatasource* source);
    void detachDatasource(TVornDatasource* source);
    Cell readCell(const TField& field) const;
    /// The whole number of an integer data field on the current row while browsing (0 when null);
    /// nothing in any other case. Scanning many rows reads integers this way without building cells.
    std::optional<std::int64_t> browsedInteger(const TField& field) const {
        if (state_ != TDataSetState::Browse || field.column_ < 0 || !hasCurrentRow())
            return std::nullopt;
        const Column& column = data_.columns[static_cast<std::size_t>(field.column_)];
        if (column.kind() != StorageKind::Int32 && column.kind() != StorageKind::Int64)
            return std::nullopt;
        const std::size_t row = currentPhysicalRow();
        return column.isNull(row) ? 0 : column.intAt(row);
    }
    std::string_view readUtf8(const TField& field) const;
    bool isNullAt(const TField& field) const;
    void writeCell(TField& field, Cell cell);
    void fieldSettingsChanged(const TField& field);
    /// Row index in the current order of the first row whose `keyField` equals `key`; -1 when none.
    int findPosition(const QString& keyField, qint64 key);
    struct KeyIndex {
        QString field;
        std::uint64_t generation = 0;
        std::optional<TKeyIndex> index; // for the order of `generation`
    };

    void bindTable(Table fetched);
    std::vector<std::unique_ptr<TField>> dynamicFieldsFor(const Table& fetched);
    Table arrangeDeclaredColumns(Table fetched) const;
    void activate(Table table);
    void computeCalculatedFields(std::size_t firstRow);
    void resetCursor();
    std::size_t currentPhysicalRow() const { return order_[static_cast<std::size_t>(cursor_)]; }
    bool hasCurrentRow() const { return cursor_ >= 0 && cursor_ < RecordCount(); }
    std::vector<Cell> cellsOfRow(std::size_t physicalRow) const;
    void writeRow(std::size_t physicalRow, const std::vector<Cell>& cells, bool append);
    void checkRequired(const std::vector<Cell>& cells) const;
    void assignParamsToFields();
    Cell lookupCell(const TField& field) const;
    /// The value a lookup field finds in its lookup dataset for this key.
    Cell lookedUp(const TField& field, const Cell& key) const;
    Delta buildDelta(const std::vector<std::size_t>& rows) const;
    void commitApplied(const std::vector<std::size_t>& rows, const ApplyResult& result);
    void changed();
    void scrolled();
    void notify(void (TVornDatasource::*event)());
    void masterScrolled();

    QString name_;
    IProviderBroker* broker_;
    QString providerName_;
    QString commandText_;
    TParams params_;
    std::vector<std::unique_ptr<TField>> fields_;
    std::size_t declaredFieldCount_ = 0;
    TDataSetState state_ = TDataSetState::Inactive;
    Table data_;
    std::vector<std::uint32_t> order_;
    int cursor_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    std::vector<Cell> buffer_; // the row being appended or edited
    std::size_t calcRow_ = 0;  // the row whose calculated fields are computed
    TChangeLog changes_;
    mutable std::vector<KeyIndex> keyIndexes_;
    std::uint64_t generation_ = 1;
    TAggregates aggregates_;
    int disableCount_ = 0;
    std::vector<TVornDatasource*> datasources_;
    QPointer<TVornDatasource> master_;
    QMetaObject::Connection masterConnection_;
};

/// A client dataset that keeps the rows of its last opening and answers the same parameters from
/// that cache instead of asking the provider again.
class TVornCachedClientDataSet : public TVornClientDataSet {
public:
    using TVornClientDataSet::TVornClientDataSet;
    /// Forgets the cached rows; the next opening asks the provider.
    void RefreshCache() { cache_.reset(); }

protected:
    Table fetch() override;

private:
    struct Cached {
        QString provider;
        QString commandText;
        QVariantList paramValues;
        Table table;
    };
    std::optional<Cached> cache_;
};

/// A list from the server's parameter table: provider "ParmDropDown", parameter P_Type.
class TVornParamClientDataset : public TVornClientDataSet {
public:
    TVornParamClientDataset(const QString& name, const QString& parameterType,
                            IProviderBroker* broker = nullptr);
    const QString& ParameterType() const { return parameterType_; }
    void SetParameterType(const QString& type);
    QString LookupFicheName;

private:
    QString parameterType_;
};

/// Splits a field list on ';' and trims the names ("A; B" gives A and B).
QStringList SplitFieldList(const QString& list);

} // namespace vorn
