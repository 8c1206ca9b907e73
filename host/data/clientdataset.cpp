#include "clientdataset.h"

#include "datasource.h"
#include "errors.h"
#include "scopeguards.h"

#include <QCollator>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <numeric>

namespace vorn {

QStringList SplitFieldList(const QString& list) {
    QStringList names;
    for (const QString& part : list.split(u';', Qt::SkipEmptyParts)) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

namespace {

QString shownName(const QString& name) {
    return name.isEmpty() ? QStringLiteral("(naamloos)") : name;
}

std::int64_t scaleOf(const FieldDef& def) {
    return def.type == TFieldType::Decimal ? def.scale : 0;
}

/// Converts a provider's column to the storage of a declared field.
Column convertColumn(Column source, const FieldDef& from, const FieldDef& to) {
    if (StorageOf(from.type) == StorageOf(to.type) && scaleOf(from) == scaleOf(to) &&
        (StorageOf(to.type) != StorageKind::Bytes || IsTextType(from.type) == IsTextType(to.type)))
        return source;
    Column result(StorageOf(to.type));
    result.reserve(source.size());
    for (std::size_t r = 0; r < source.size(); ++r)
        AppendCell(result, ToCell(to, FromCell(from, CellAt(source, r))));
    return result;
}

int compareCells(const Column& column, std::size_t a, std::size_t b) {
    const bool nullA = column.isNull(a);
    const bool nullB = column.isNull(b);
    if (nullA || nullB)
        return nullA == nullB ? 0 : (nullA ? -1 : 1);
    switch (column.kind()) {
    case StorageKind::Int32:
    case StorageKind::Int64: {
        const auto x = column.intAt(a);
        const auto y = column.intAt(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case StorageKind::Double: {
        const double x = column.doubleAt(a);
        const double y = column.doubleAt(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case StorageKind::Bytes:
        return column.bytesAt(a).compare(column.bytesAt(b));
    }
    return 0;
}

struct SortKey {
    const Column* column;
    bool descending;
    std::vector<QCollatorSortKey> textKeys; // per physical row, for text columns
};

} // namespace

// ---------------------------------------------------------------- aggregates

TAggregate& TAggregates::Add() {
    items_.push_back(std::make_unique<TAggregate>(dataSet_));
    return *items_.back();
}

TAggregate* TAggregates::Find(const QString& name) const {
    for (const auto& item : items_)
        if (item->AggregateName.compare(name, Qt::CaseInsensitive) == 0)
            return item.get();
    return nullptr;
}

QVariant TAggregate::Value() const {
    if (!Active || !dataSet_->AggregatesActive || !dataSet_->Active())
        return {};
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*(SUM|COUNT|MIN|MAX|AVG)\s*\(\s*(\w+)\s*\)\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(Expression);
    if (!match.hasMatch())
        RaiseDatabaseError(QStringLiteral("Aggregaat '%s': uitdrukking '%s' wordt niet ondersteund"),
                           {AggregateName, Expression});
    const QString function = match.captured(1).toUpper();
    const TField& field = dataSet_->FieldByName(match.captured(2));
    const FieldDef& def = field.Def();
    const bool integral =
        StorageOf(def.type) == StorageKind::Int32 || StorageOf(def.type) == StorageKind::Int64;
    qint64 count = 0;
    qint64 intSum = 0;
    double sum = 0;
    double lowest = 0;
    double highest = 0;
    const int rows = dataSet_->RecordCount();
    for (int pos = 0; pos < rows; ++pos) {
        const Cell cell = dataSet_->cellAtPosition(field, pos);
        if (IsNullCell(cell))
            continue;
        double value = 0;
        if (const auto* i = std::get_if<std::int64_t>(&cell)) {
            intSum += *i;
            value = static_cast<double>(*i);
        } else if (const auto* d = std::get_if<double>(&cell)) {
            value = *d;
        }
        lowest = count == 0 ? value : std::min(lowest, value);
        highest = count == 0 ? value : std::max(highest, value);
        sum += value;
        ++count;
    }
    if (function == u"COUNT")
        return QVariant::fromValue(count);
    if (count == 0)
        return {};
    const double factor =
        def.type == TFieldType::Decimal ? static_cast<double>(DecimalFactor(def.scale)) : 1.0;
    if (function == u"SUM")
        return integral && def.type != TFieldType::Decimal ? QVariant::fromValue(intSum)
                                                           : QVariant(sum / factor);
    if (function == u"MIN")
        return lowest / factor;
    if (function == u"MAX")
        return highest / factor;
    return sum / factor / static_cast<double>(count);
}

// ---------------------------------------------------------------- dataset: set-up

TVornClientDataSet::TVornClientDataSet(const QString& name, IProviderBroker* broker)
    : name_(name), broker_(broker), aggregates_(this) {}

TVornClientDataSet::~TVornClientDataSet() {
    QObject::disconnect(masterConnection_);
    for (TVornDatasource* source : datasources_)
        source->detachFromDataSet();
}

void TVornClientDataSet::SetProviderName(const QString& name) {
    providerName_ = name;
}

void TVornClientDataSet::SetCommandText(const QString& text, bool createParams) {
    commandText_ = text;
    if (!createParams)
        return;
    params_.Clear();
    for (const QString& paramName : ParseCommandParams(text))
        params_.CreateParam(TFieldType::WideString, paramName);
}

IProviderBroker& TVornClientDataSet::broker() const {
    IProviderBroker* broker = broker_ != nullptr ? broker_ : DefaultProviderBroker();
    if (broker == nullptr)
        RaiseDatabaseError(QStringLiteral("Geen verbinding met de applicatieserver"));
    return *broker;
}

void TVornClientDataSet::requireActive() const {
    if (!Active())
        RaiseDatabaseError(QStringLiteral("Dataset '%s' is gesloten"), {shownName(name_)});
}

TField& TVornClientDataSet::AddField(const FieldDef& def) {
    if (Active())
        RaiseDatabaseError(
            QStringLiteral("Dataset '%s': velden toevoegen kan alleen als de dataset gesloten is"),
            {shownName(name_)});
    if (FindField(def.name) != nullptr)
        RaiseDatabaseError(QStringLiteral("Dataset '%s': veld '%s' bestaat al"),
                           {shownName(name_), def.name});
    fields_.push_back(std::make_unique<TField>(this, def, static_cast<int>(fields_.size())));
    declaredFieldCount_ = fields_.size();
    return *fields_.back();
}

TField* TVornClientDataSet::FindField(const QString& name) const {
    for (const auto& field : fields_)
        if (field->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

TField& TVornClientDataSet::FieldByName(const QString& name) const {
    TField* field = FindField(name);
    if (field == nullptr)
        RaiseDatabaseError(QStringLiteral("Veld '%s' niet gevonden in dataset '%s'"),
                           {name, shownName(name_)});
    return *field;
}

void TVornClientDataSet::ClearFields() {
    if (Active())
        RaiseDatabaseError(
            QStringLiteral("Dataset '%s': velden verwijderen kan alleen als de dataset gesloten is"),
            {shownName(name_)});
    fields_.clear();
    declaredFieldCount_ = 0;
}

std::vector<FieldDef> TVornClientDataSet::FieldDefs() const {
    std::vector<FieldDef> defs;
    defs.reserve(fields_.size());
    for (const auto& field : fields_)
        defs.push_back(field->Def());
    return defs;
}

// ---------------------------------------------------------------- opening and closing

Table TVornClientDataSet::fetch() {
    return broker().open(providerName_, params_, commandText_);
}

void TVornClientDataSet::Open() {
    if (Active())
        return;
    if (providerName_.isEmpty())
        RaiseDatabaseError(QStringLiteral("Dataset '%s' heeft geen provider"), {shownName(name_)});
    bindTable(fetch());
}

std::vector<std::unique_ptr<TField>> TVornClientDataSet::dynamicFieldsFor(const Table& fetched) {
    std::vector<std::unique_ptr<TField>> fields;
    for (std::size_t i = 0; i < fetched.fields.size(); ++i) {
        fields.push_back(std::make_unique<TField>(this, fetched.fields[i], static_cast<int>(i)));
        fields.back()->column_ = static_cast<int>(i);
    }
    return fields;
}

Table TVornClientDataSet::arrangeDeclaredColumns(Table fetched) const {
    Table arranged;
    const std::size_t rows = fetched.rowCount();
    for (const auto& field : fields_) {
        const FieldDef& def = field->Def();
        arranged.fields.push_back(def);
        if (def.kind != TFieldKind::Data) {
            Column empty(StorageOf(def.type));
            for (std::size_t r = 0; r < rows; ++r)
                empty.appendNull();
            arranged.columns.push_back(std::move(empty));
            continue;
        }
        const int source = fetched.indexOf(def.name);
        if (source < 0)
            RaiseDatabaseError(QStringLiteral("Veld '%s' ontbreekt in het antwoord van provider \"%s\""),
                               {def.name, providerName_});
        const auto s = static_cast<std::size_t>(source);
        arranged.columns.push_back(convertColumn(std::move(fetched.columns[s]), fetched.fields[s], def));
    }
    return arranged;
}

void TVornClientDataSet::bindTable(Table fetched) {
    if (declaredFieldCount_ == 0) {
        auto fields = dynamicFieldsFor(fetched);
        fields_ = std::move(fields);
        activate(std::move(fetched));
        return;
    }
    Table arranged = arrangeDeclaredColumns(std::move(fetched));
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->column_ = static_cast<int>(i);
    activate(std::move(arranged));
}

void TVornClientDataSet::activate(Table table) {
    data_ = std::move(table);
    const std::size_t rows = data_.rowCount();
    order_.resize(rows);
    std::iota(order_.begin(), order_.end(), 0U);
    status_.assign(rows, RowStatus::Unchanged);
    clearPending();
    buffer_.clear();
    keyIndexes_.clear();
    ++generation_;
    state_ = TDataSetState::Browse;
    {
        const TOnFailure close([this] { Close(); });
        computeCalculatedFields(0);
        if (!SortFields.isEmpty())
            Sort(SortFields, SortDescFields);
    }
    resetCursor();
    if (disableCount_ == 0)
        for (TVornDatasource* source : datasources_)
            source->notifyActiveChanged(true);
}

void TVornClientDataSet::clearPending() {
    originals_.clear();
    deletedAt_.clear();
    nextTemporaryId_ = -1;
}

void TVornClientDataSet::Close() {
    if (!Active())
        return;
    state_ = TDataSetState::Inactive;
    data_ = Table();
    order_.clear();
    status_.clear();
    buffer_.clear();
    clearPending();
    keyIndexes_.clear();
    ++generation_;
    cursor_ = -1;
    eof_ = bof_ = true;
    if (declaredFieldCount_ == 0)
        fields_.clear();
    if (disableCount_ == 0)
        for (TVornDatasource* source : datasources_)
            source->notifyActiveChanged(false);
}

void TVornClientDataSet::CreateDataSet() {
    if (fields_.empty() || declaredFieldCount_ == 0)
        RaiseDatabaseError(QStringLiteral("Dataset '%s' heeft geen velddefinities"), {shownName(name_)});
    Close();
    Table table(FieldDefs());
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->column_ = static_cast<int>(i);
    activate(std::move(table));
}

void TVornClientDataSet::CreateDataSet(Table rows) {
    if (fields_.empty() || declaredFieldCount_ == 0)
        RaiseDatabaseError(QStringLiteral("Dataset '%s' heeft geen velddefinities"), {shownName(name_)});
    const std::vector<FieldDef> defs = FieldDefs();
    bool sameShape = rows.columns.size() == defs.size();
    for (std::size_t i = 0; sameShape && i < defs.size(); ++i)
        sameShape = rows.columns[i].kind() == StorageOf(defs[i].type) &&
                    rows.columns[i].size() == rows.rowCount() &&
                    !(defs[i].required && defs[i].kind == TFieldKind::Data && rows.columns[i].hasNulls());
    if (!sameShape)
        RaiseDatabaseError(QStringLiteral("Dataset '%s': de rijen passen niet bij de velddefinities"),
                           {shownName(name_)});
    Close();
    rows.fields = defs;
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i]->column_ = static_cast<int>(i);
    activate(std::move(rows));
}

void TVornClientDataSet::computeCalculatedFields(std::size_t firstRow) {
    if (!OnCalcFields)
        return;
    const bool hasCalculated = std::any_of(fields_.begin(), fields_.end(), [](const auto& f) {
        return f->FieldKind() == TFieldKind::Calculated || f->FieldKind() == TFieldKind::InternalCalc;
    });
    if (!hasCalculated)
        return;
    const TDataSetState previous = state_;
    state_ = TDataSetState::CalcFields;
    const TOnExit restore([this, previous] { state_ = previous; });
    for (std::size_t row = firstRow; row < data_.rowCount(); ++row) {
        calcRow_ = row;
        OnCalcFields(*this);
    }
}

// ---------------------------------------------------------------- navigation

void TVornClientDataSet::resetCursor() {
    cursor_ = order_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = order_.empty();
}

int TVornClientDataSet::RecNo() const {
    return hasCurrentRow() ? cursor_ + 1 : 0;
}

void TVornClientDataSet::SetRecNo(int recNo) {
    requireActive();
    if (recNo < 1 || recNo > RecordCount())
        RaiseDatabaseError(QStringLiteral("Dataset '%s': rij %d bestaat niet"), {shownName(name_), recNo});
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        Post();
    cursor_ = recNo - 1;
    bof_ = eof_ = false;
    scrolled();
}

void TVornClientDataSet::First() {
    requireActive();
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        Post();
    resetCursor();
    scrolled();
}

void TVornClientDataSet::Last() {
    requireActive();
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        Post();
    cursor_ = RecordCount() - 1;
    eof_ = true;
    bof_ = order_.empty();
    scrolled();
}

void TVornClientDataSet::Next() {
    requireActive();
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        Post();
    if (cursor_ + 1 < RecordCount()) {
        ++cursor_;
        bof_ = eof_ = false;
        scrolled();
    } else {
        eof_ = true;
    }
}

void TVornClientDataSet::Prior() {
    requireActive();
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        Post();
    if (cursor_ > 0) {
        --cursor_;
        bof_ = eof_ = false;
        scrolled();
    } else {
        bof_ = true;
    }
}

bool TVornClientDataSet::Eof() const {
    return !Active() || eof_;
}
bool TVornClientDataSet::Bof() const {
    return !Active() || bof_;
}

namespace {

/// Stable sort of the record order by a 32-bit integer column without nulls: nothing to do when
/// the order is already right, else a radix sort in two passes of sixteen bits.
void SortByInt32(std::vector<std::uint32_t>& order, const Column& column, bool descending) {
    const std::size_t n = order.size();
    // Signed keys become unsigned ones in the same order; descending ones are inverted.
    const auto keyOf = [&column, descending](std::uint32_t row) {
        const auto key = static_cast<std::uint32_t>(column.intAt(row)) ^ 0x80000000u;
        return descending ? ~key : key;
    };
    bool sorted = true;
    for (std::size_t i = 1; i < n && sorted; ++i)
        sorted = keyOf(order[i - 1]) <= keyOf(order[i]);
    if (sorted)
        return;
    std::vector<std::uint32_t> keys(n), otherKeys(n), otherOrder(n);
    for (std::size_t i = 0; i < n; ++i)
        keys[i] = keyOf(order[i]);
    for (const int shift : {0, 16}) {
        std::vector<std::uint32_t> start(65537, 0);
        for (const std::uint32_t key : keys)
            ++start[((key >> shift) & 0xFFFFu) + 1];
        for (std::size_t digit = 1; digit < start.size(); ++digit)
            start[digit] += start[digit - 1];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint32_t to = start[(keys[i] >> shift) & 0xFFFFu]++;
            otherKeys[to] = keys[i];
            otherOrder[to] = order[i];
        }
        keys.swap(otherKeys);
        order.swap(otherOrder);
    }
}

/// After a sort by the first key: each run of rows with an equal first key in the order of the
/// other keys, equal ones as they were. Runs are short (a person's enrolments, say).
void SortTiesByInt32(std::vector<std::uint32_t>& order, const std::vector<SortKey>& keys) {
    if (keys.size() < 2)
        return;
    const Column& first = *keys.front().column;
    const auto before = [&keys](std::uint32_t a, std::uint32_t b) {
        for (std::size_t k = 1; k < keys.size(); ++k) {
            const std::int64_t x = keys[k].column->intAt(a);
            const std::int64_t y = keys[k].column->intAt(b);
            if (x != y)
                return keys[k].descending ? x > y : x < y;
        }
        return false;
    };
    for (std::size_t start = 0; start < order.size();) {
        std::size_t end = start + 1;
        while (end < order.size() && first.intAt(order[end]) == first.intAt(order[start]))
            ++end;
        // Insertion sort: stable, and without the buffer a library sort would take for every run.
        for (std::size_t i = start + 1; i < end; ++i) {
            const std::uint32_t row = order[i];
            std::size_t to = i;
            for (; to > start && before(row, order[to - 1]); --to)
                order[to] = order[to - 1];
            order[to] = row;
        }
        start = end;
    }
}

} // namespace

void TVornClientDataSet::Sort(const QString& fields, const QString& descFields) {
    requireActive();
    const QStringList names = SplitFieldList(fields);
    const QStringList descending = SplitFieldList(descFields);
    std::vector<SortKey> keys;
    for (const QString& name : names) {
        const TField& field = FieldByName(name);
        if (field.column_ < 0)
            RaiseDatabaseError(QStringLiteral("Op veld '%s' kan niet gesorteerd worden"),
                               {field.FieldName()});
        keys.push_back({&data_.columns[static_cast<std::size_t>(field.column_)],
                        descending.contains(name, Qt::CaseInsensitive),
                        {}});
    }
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        Post();
    if (keys.empty())
        return;
    const bool keepCurrent = hasCurrentRow();
    const std::uint32_t current = keepCurrent ? order_[static_cast<std::size_t>(cursor_)] : 0;

    const Column& first = *keys.front().column;
    const bool singleInteger = keys.size() == 1 && !first.hasNulls() && first.kind() != StorageKind::Bytes &&
                               first.kind() != StorageKind::Double;
    const bool allInt32 = std::all_of(keys.begin(), keys.end(), [](const SortKey& key) {
        return key.column->kind() == StorageKind::Int32 && !key.column->hasNulls();
    });
    if (allInt32) {
        SortByInt32(order_, first, keys.front().descending);
        SortTiesByInt32(order_, keys);
    } else if (singleInteger) {
        std::vector<std::pair<std::int64_t, std::uint32_t>> pairs(order_.size());
        for (std::size_t i = 0; i < order_.size(); ++i)
            pairs[i] = {first.intAt(order_[i]), order_[i]};
        if (keys.front().descending)
            std::stable_sort(pairs.begin(), pairs.end(),
                             [](const auto& a, const auto& b) { return a.first > b.first; });
        else
            std::stable_sort(pairs.begin(), pairs.end(),
                             [](const auto& a, const auto& b) { return a.first < b.first; });
        for (std::size_t i = 0; i < order_.size(); ++i)
            order_[i] = pairs[i].second;
    } else {
        QCollator collator{QLocale(QLocale::Dutch, QLocale::Belgium)};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        for (SortKey& key : keys) {
            if (key.column->kind() != StorageKind::Bytes)
                continue;
            key.textKeys.reserve(key.column->size());
            for (std::size_t r = 0; r < key.column->size(); ++r)
                // Collation keys do not honour the case setting: the text is folded first.
                key.textKeys.push_back(
                    collator.sortKey(QString::fromUtf8(key.column->bytesAt(r)).toCaseFolded()));
        }
        std::stable_sort(order_.begin(), order_.end(), [&keys](std::uint32_t a, std::uint32_t b) {
            for (const SortKey& key : keys) {
                int c = 0;
                if (!key.textKeys.empty() && !key.column->isNull(a) && !key.column->isNull(b))
                    c = key.textKeys[a].compare(key.textKeys[b]);
                else
                    c = compareCells(*key.column, a, b);
                if (c != 0)
                    return key.descending ? c > 0 : c < 0;
            }
            return false;
        });
    }
    ++generation_;
    if (keepCurrent)
        cursor_ = static_cast<int>(std::find(order_.begin(), order_.end(), current) - order_.begin());
    changed();
}

int TVornClientDataSet::findPosition(const QString& keyField, qint64 key) {
    requireActive();
    const TField& field = FieldByName(keyField);
    if (!IsIntegerType(field.DataType()) || field.column_ < 0)
        RaiseDatabaseError(QStringLiteral("Veld '%s' is geen sleutelveld met gehele getallen"),
                           {field.FieldName()});
    auto index = std::find_if(keyIndexes_.begin(), keyIndexes_.end(), [&](const KeyIndex& k) {
        return k.field.compare(field.FieldName(), Qt::CaseInsensitive) == 0;
    });
    if (index == keyIndexes_.end()) {
        keyIndexes_.push_back({field.FieldName(), 0, {}});
        index = keyIndexes_.end() - 1;
    }
    if (index->generation != generation_) {
        const Column& column = data_.columns[static_cast<std::size_t>(field.column_)];
        index->entries.clear();
        index->entries.reserve(order_.size());
        for (std::size_t pos = 0; pos < order_.size(); ++pos)
            if (!column.isNull(order_[pos]))
                index->entries.emplace_back(column.intAt(order_[pos]), static_cast<std::uint32_t>(pos));
        // Stable, so the first row of equal keys comes first.
        std::stable_sort(index->entries.begin(), index->entries.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        index->generation = generation_;
    }
    const auto it = std::lower_bound(index->entries.begin(), index->entries.end(), key,
                                     [](const auto& entry, qint64 k) { return entry.first < k; });
    return it != index->entries.end() && it->first == key ? static_cast<int>(it->second) : -1;
}

bool TVornClientDataSet::LocateID(qint64 id, const QString& keyField) {
    requireActive();
    const QString name = keyField.isEmpty() ? IDField : keyField;
    if (name.isEmpty())
        RaiseDatabaseError(QStringLiteral("Dataset '%s' heeft geen IDField"), {shownName(name_)});
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        Post();
    const int position = findPosition(name, id);
    if (position < 0)
        return false;
    cursor_ = position;
    bof_ = eof_ = false;
    scrolled();
    return true;
}

// ---------------------------------------------------------------- reading and writing cells

std::vector<std::int32_t> TVornClientDataSet::IntegerColumn(const TField& field) const {
    requireActive();
    if (field.column_ < 0 || field.FieldKind() != TFieldKind::Data || !IsIntegerType(field.DataType()))
        RaiseDatabaseError(QStringLiteral("Veld '%s' is geen veld met gehele getallen"), {field.FieldName()});
    const Column& column = data_.columns[static_cast<std::size_t>(field.column_)];
    std::vector<std::int32_t> values;
    values.reserve(order_.size());
    for (const std::uint32_t row : order_) {
        const std::int64_t value = column.isNull(row) ? 0 : column.intAt(row);
        if (value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max())
            RaiseDatabaseError(QStringLiteral("Waarde %s van veld '%s' past niet in 32 bits"),
                               {static_cast<qint64>(value), field.FieldName()});
        values.push_back(static_cast<std::int32_t>(value));
    }
    return values;
}

TIntegerColumnView TVornClientDataSet::IntegerView(const TField& field) const {
    requireActive();
    if (field.column_ < 0 || field.FieldKind() != TFieldKind::Data || !IsIntegerType(field.DataType()))
        RaiseDatabaseError(QStringLiteral("Veld '%s' is geen veld met gehele getallen"), {field.FieldName()});
    const Column& column = data_.columns[static_cast<std::size_t>(field.column_)];
    if (column.kind() == StorageKind::Int32 && !column.hasNulls())
        return TIntegerColumnView(column.int32Data(), order_);
    std::vector<std::int32_t> converted(column.size());
    for (std::size_t row = 0; row < column.size(); ++row) {
        const std::int64_t value = column.isNull(row) ? 0 : column.intAt(row);
        if (value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::int32_t>::max())
            RaiseDatabaseError(QStringLiteral("Waarde %s van veld '%s' past niet in 32 bits"),
                               {static_cast<qint64>(value), field.FieldName()});
        converted[row] = static_cast<std::int32_t>(value);
    }
    return TIntegerColumnView(nullptr, order_, std::move(converted));
}

TTextColumnView TVornClientDataSet::TextView(const TField& field) const {
    return TTextColumnView(textColumnOf(field), order_);
}

std::vector<std::string_view> TVornClientDataSet::TextColumn(const TField& field) const {
    const Column& column = textColumnOf(field);
    std::vector<std::string_view> values;
    values.reserve(order_.size());
    for (const std::uint32_t row : order_)
        values.push_back(column.isNull(row) ? std::string_view() : column.bytesAt(row));
    return values;
}

std::vector<std::uint8_t> TVornClientDataSet::TextEquals(const TField& field, std::string_view text) const {
    const Column& column = textColumnOf(field);
    std::vector<std::uint8_t> equal;
    equal.reserve(order_.size());
    for (const std::uint32_t row : order_)
        equal.push_back(!column.isNull(row) && column.bytesAt(row) == text ? 1 : 0);
    return equal;
}

const Column& TVornClientDataSet::textColumnOf(const TField& field) const {
    requireActive();
    if (field.column_ < 0 || field.FieldKind() != TFieldKind::Data ||
        StorageOf(field.DataType()) != StorageKind::Bytes)
        RaiseDatabaseError(QStringLiteral("Veld '%s' is geen tekstveld"), {field.FieldName()});
    return data_.columns[static_cast<std::size_t>(field.column_)];
}

Cell TVornClientDataSet::cellAtPosition(const TField& field, int position) const {
    const std::size_t row = order_.at(static_cast<std::size_t>(position));
    if (field.FieldKind() != TFieldKind::Lookup)
        return CellAt(data_.columns[static_cast<std::size_t>(field.column_)], row);
    // A lookup field shows the value it looks up with the key of that row, never the key itself.
    const TField& keyField = FieldByName(field.Def().keyFields);
    return lookedUp(field, CellAt(data_.columns[static_cast<std::size_t>(keyField.column_)], row));
}

Cell TVornClientDataSet::lookupCell(const TField& field) const {
    return lookedUp(field, readCell(FieldByName(field.Def().keyFields)));
}

Cell TVornClientDataSet::lookedUp(const TField& field, const Cell& key) const {
    const FieldDef& def = field.Def();
    TVornClientDataSet* source = def.lookupDataSet;
    if (source == nullptr || !source->Active())
        return std::monostate{};
    const auto* id = std::get_if<std::int64_t>(&key);
    if (id == nullptr)
        return std::monostate{};
    const int position = source->findPosition(def.lookupKeyFields, *id);
    if (position < 0)
        return std::monostate{};
    const TField& result = source->FieldByName(def.lookupResultField);
    return ToCell(def, FromCell(result.Def(), source->cellAtPosition(result, position)));
}

Cell TVornClientDataSet::readCell(const TField& field) const {
    requireActive();
    if (field.FieldKind() == TFieldKind::Lookup)
        return lookupCell(field);
    const auto column = static_cast<std::size_t>(field.column_);
    switch (state_) {
    case TDataSetState::Insert:
    case TDataSetState::Edit:
        return buffer_[static_cast<std::size_t>(field.Index())];
    case TDataSetState::CalcFields:
        return CellAt(data_.columns[column], calcRow_);
    default:
        return hasCurrentRow() ? CellAt(data_.columns[column], currentPhysicalRow()) : Cell{};
    }
}

std::string_view TVornClientDataSet::readUtf8(const TField& field) const {
    requireActive();
    if (StorageOf(field.DataType()) != StorageKind::Bytes || field.FieldKind() == TFieldKind::Lookup)
        RaiseDatabaseError(QStringLiteral("Veld '%s' is geen tekstveld"), {field.FieldName()});
    const Column& column = data_.columns[static_cast<std::size_t>(field.column_)];
    switch (state_) {
    case TDataSetState::Insert:
    case TDataSetState::Edit: {
        const auto* text = std::get_if<std::string>(&buffer_[static_cast<std::size_t>(field.Index())]);
        return text != nullptr ? std::string_view(*text) : std::string_view();
    }
    case TDataSetState::CalcFields:
        return column.bytesAt(calcRow_);
    default:
        return hasCurrentRow() ? column.bytesAt(currentPhysicalRow()) : std::string_view();
    }
}

bool TVornClientDataSet::isNullAt(const TField& field) const {
    if (field.FieldKind() == TFieldKind::Lookup || state_ == TDataSetState::Insert ||
        state_ == TDataSetState::Edit)
        return IsNullCell(readCell(field));
    requireActive();
    const Column& column = data_.columns[static_cast<std::size_t>(field.column_)];
    if (state_ == TDataSetState::CalcFields)
        return column.isNull(calcRow_);
    return !hasCurrentRow() || column.isNull(currentPhysicalRow());
}

void TVornClientDataSet::writeCell(TField& field, Cell cell) {
    requireActive();
    const bool calculated =
        field.FieldKind() == TFieldKind::Calculated || field.FieldKind() == TFieldKind::InternalCalc;
    if (state_ == TDataSetState::CalcFields) {
        if (!calculated)
            RaiseDatabaseError(QStringLiteral("Veld '%s' is geen berekend veld"), {field.FieldName()});
        SetCell(data_.columns[static_cast<std::size_t>(field.column_)], calcRow_, cell);
        return;
    }
    if (state_ != TDataSetState::Insert && state_ != TDataSetState::Edit)
        RaiseDatabaseError(QStringLiteral("Dataset '%s' is niet in bewerk- of toevoegmodus"),
                           {shownName(name_)});
    if (field.FieldKind() == TFieldKind::Lookup)
        RaiseDatabaseError(QStringLiteral("Veld '%s' kan niet gewijzigd worden"), {field.FieldName()});
    buffer_[static_cast<std::size_t>(field.Index())] = std::move(cell);
}

void TVornClientDataSet::fieldSettingsChanged(const TField&) {
    if (Active())
        changed();
}

// ---------------------------------------------------------------- local changes

std::vector<Cell> TVornClientDataSet::cellsOfRow(std::size_t physicalRow) const {
    std::vector<Cell> cells;
    cells.reserve(data_.columns.size());
    for (const Column& column : data_.columns)
        cells.push_back(CellAt(column, physicalRow));
    return cells;
}

void TVornClientDataSet::writeRow(std::size_t physicalRow, const std::vector<Cell>& cells, bool append) {
    for (std::size_t c = 0; c < data_.columns.size(); ++c) {
        if (append)
            AppendCell(data_.columns[c], cells[c]);
        else
            SetCell(data_.columns[c], physicalRow, cells[c]);
    }
}

void TVornClientDataSet::checkRequired(const std::vector<Cell>& cells) const {
    for (const auto& field : fields_)
        if (field->Required() && field->FieldKind() == TFieldKind::Data &&
            IsNullCell(cells[static_cast<std::size_t>(field->Index())]))
            RaiseDatabaseError(QStringLiteral("Veld '%s' moet een waarde hebben"), {field->FieldName()});
}

void TVornClientDataSet::Append() {
    requireActive();
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        Post();
    std::vector<Cell> row(fields_.size());
    static const QRegularExpression separators(QStringLiteral("[;\\n]"));
    const QStringList pairs =
        ParamToFields.isEmpty() ? QStringList() : ParamToFields.split(separators, Qt::SkipEmptyParts);
    for (const QString& pair : pairs) {
        const QStringList parts = pair.split(u'=');
        if (parts.size() != 2)
            RaiseDatabaseError(QStringLiteral("Dataset '%s': ongeldige ParamToFields '%s'"),
                               {shownName(name_), pair});
        const TField& field = FieldByName(parts[0].trimmed());
        row[static_cast<std::size_t>(field.Index())] =
            ToCell(field.Def(), ParamByName(parts[1].trimmed()).Value());
    }
    if (TField* id = IDField.isEmpty() ? nullptr : FindField(IDField))
        row[static_cast<std::size_t>(id->Index())] = nextTemporaryId_--;
    buffer_ = std::move(row);
    state_ = TDataSetState::Insert;
    notify(&TVornDatasource::notifyStateChanged);
}

void TVornClientDataSet::Edit() {
    requireActive();
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        return;
    if (!hasCurrentRow())
        RaiseDatabaseError(QStringLiteral("Dataset '%s' heeft geen huidige rij om te wijzigen"),
                           {shownName(name_)});
    buffer_ = cellsOfRow(currentPhysicalRow());
    state_ = TDataSetState::Edit;
    notify(&TVornDatasource::notifyStateChanged);
}

void TVornClientDataSet::Post() {
    if (state_ != TDataSetState::Insert && state_ != TDataSetState::Edit)
        return;
    checkRequired(buffer_);
    std::size_t row = 0;
    if (state_ == TDataSetState::Insert) {
        row = data_.rowCount();
        writeRow(row, buffer_, true);
        status_.push_back(RowStatus::Inserted);
        order_.push_back(static_cast<std::uint32_t>(row));
        cursor_ = RecordCount() - 1;
        bof_ = eof_ = false;
    } else {
        row = currentPhysicalRow();
        if (status_[row] == RowStatus::Unchanged) {
            originals_.emplace_back(row, cellsOfRow(row));
            status_[row] = RowStatus::Modified;
        }
        writeRow(row, buffer_, false);
    }
    state_ = TDataSetState::Browse;
    buffer_.clear();
    ++generation_;
    computeCalculatedFields(row);
    changed();
}

void TVornClientDataSet::Cancel() {
    if (state_ != TDataSetState::Insert && state_ != TDataSetState::Edit)
        return;
    buffer_.clear();
    state_ = TDataSetState::Browse;
    notify(&TVornDatasource::notifyStateChanged);
}

void TVornClientDataSet::Delete() {
    requireActive();
    if (state_ == TDataSetState::Insert) {
        Cancel();
        return;
    }
    Cancel();
    if (!hasCurrentRow())
        RaiseDatabaseError(QStringLiteral("Dataset '%s' heeft geen rij om te verwijderen"),
                           {shownName(name_)});
    const std::size_t row = currentPhysicalRow();
    if (status_[row] == RowStatus::Inserted) {
        status_[row] = RowStatus::Discarded;
    } else {
        if (status_[row] == RowStatus::Unchanged)
            originals_.emplace_back(row, cellsOfRow(row));
        status_[row] = RowStatus::Deleted;
        deletedAt_.emplace_back(row, cursor_);
    }
    order_.erase(order_.begin() + cursor_);
    if (cursor_ >= RecordCount())
        cursor_ = RecordCount() - 1;
    eof_ = order_.empty();
    ++generation_;
    changed();
}

int TVornClientDataSet::ChangeCount() const {
    return static_cast<int>(std::count_if(status_.begin(), status_.end(), [](RowStatus s) {
        return s == RowStatus::Inserted || s == RowStatus::Modified || s == RowStatus::Deleted;
    }));
}

Delta TVornClientDataSet::buildDelta(std::vector<std::size_t>& rows) const {
    Delta delta;
    delta.idField = IDField;
    std::vector<std::size_t> columns;
    for (const auto& field : fields_)
        if (field->FieldKind() == TFieldKind::Data) {
            delta.fields.push_back(field->Def());
            columns.push_back(static_cast<std::size_t>(field->column_));
        }
    for (std::size_t row = 0; row < status_.size(); ++row) {
        const RowStatus status = status_[row];
        if (status != RowStatus::Inserted && status != RowStatus::Modified && status != RowStatus::Deleted)
            continue;
        DeltaRow change;
        change.kind = status == RowStatus::Inserted   ? DeltaRow::Kind::Insert
                      : status == RowStatus::Modified ? DeltaRow::Kind::Modify
                                                      : DeltaRow::Kind::Delete;
        const auto original = std::find_if(originals_.begin(), originals_.end(),
                                           [row](const auto& entry) { return entry.first == row; });
        for (std::size_t f = 0; f < columns.size(); ++f) {
            const QVariant value = FromCell(delta.fields[f], CellAt(data_.columns[columns[f]], row));
            change.values.push_back(value);
            change.originals.push_back(original == originals_.end()
                                           ? value
                                           : FromCell(delta.fields[f], original->second[columns[f]]));
        }
        delta.rows.push_back(std::move(change));
        rows.push_back(row);
    }
    return delta;
}

void TVornClientDataSet::commitApplied(const std::vector<std::size_t>& rows, const ApplyResult& result) {
    TField* idField = IDField.isEmpty() ? nullptr : FindField(IDField);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ApplyRowResult& outcome = result.rows[i];
        if (!outcome.ok)
            continue;
        const std::size_t row = rows[i];
        if (status_[row] == RowStatus::Inserted && idField != nullptr && outcome.assignedId.isValid())
            SetCell(data_.columns[static_cast<std::size_t>(idField->column_)], row,
                    ToCell(idField->Def(), outcome.assignedId));
        status_[row] = status_[row] == RowStatus::Deleted ? RowStatus::Discarded : RowStatus::Unchanged;
        std::erase_if(originals_, [row](const auto& entry) { return entry.first == row; });
        std::erase_if(deletedAt_, [row](const auto& entry) { return entry.first == row; });
    }
    ++generation_;
    changed();
}

int TVornClientDataSet::ApplyUpdates(int maxErrors) {
    if (providerName_.isEmpty())
        RaiseDatabaseError(QStringLiteral("Dataset '%s' heeft geen provider om wijzigingen naar te sturen"),
                           {shownName(name_)});
    requireActive();
    Post();
    std::vector<std::size_t> rows;
    const Delta delta = buildDelta(rows);
    if (delta.rows.empty())
        return 0;
    const ApplyResult result = broker().applyUpdates(providerName_, params_, delta, maxErrors);
    if (result.rows.size() != delta.rows.size())
        RaiseDatabaseError(QStringLiteral("Provider \"%s\" gaf een onvolledig antwoord op het bewaren"),
                           {providerName_});
    if (result.rolledBack) {
        const auto failed = std::find_if(result.rows.begin(), result.rows.end(),
                                         [](const ApplyRowResult& r) { return !r.error.isEmpty(); });
        RaiseDatabaseError(QStringLiteral("Bewaren in provider \"%s\" mislukt: %s"),
                           {providerName_, failed == result.rows.end() ? QString() : failed->error});
    }
    commitApplied(rows, result);
    return result.errorCount;
}

void TVornClientDataSet::CancelUpdates() {
    requireActive();
    Cancel();
    for (const auto& [row, cells] : originals_) {
        writeRow(row, cells, false);
        status_[row] = RowStatus::Unchanged;
    }
    for (auto it = deletedAt_.rbegin(); it != deletedAt_.rend(); ++it) {
        const auto position = std::min<std::size_t>(static_cast<std::size_t>(it->second), order_.size());
        order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(position),
                      static_cast<std::uint32_t>(it->first));
    }
    std::erase_if(order_, [this](std::uint32_t row) { return status_[row] == RowStatus::Inserted; });
    for (RowStatus& status : status_)
        if (status == RowStatus::Inserted)
            status = RowStatus::Discarded;
    clearPending();
    if (cursor_ >= RecordCount())
        cursor_ = RecordCount() - 1;
    if (cursor_ < 0 && !order_.empty())
        cursor_ = 0;
    eof_ = order_.empty();
    ++generation_;
    changed();
}

// ---------------------------------------------------------------- observers

void TVornClientDataSet::attachDatasource(TVornDatasource* source) {
    if (std::find(datasources_.begin(), datasources_.end(), source) == datasources_.end())
        datasources_.push_back(source);
}

void TVornClientDataSet::detachDatasource(TVornDatasource* source) {
    std::erase(datasources_, source);
}

void TVornClientDataSet::notify(void (TVornDatasource::*event)()) {
    if (disableCount_ > 0)
        return;
    for (TVornDatasource* source : datasources_)
        (source->*event)();
}

void TVornClientDataSet::changed() {
    notify(&TVornDatasource::notifyDataChanged);
}
void TVornClientDataSet::scrolled() {
    notify(&TVornDatasource::notifyScrolled);
}

void TVornClientDataSet::DisableControls() {
    ++disableCount_;
}

void TVornClientDataSet::EnableControls() {
    if (disableCount_ == 0)
        return;
    if (--disableCount_ == 0)
        changed();
}

void TVornClientDataSet::SetMasterdataSource(TVornDatasource* master) {
    QObject::disconnect(masterConnection_);
    master_ = master;
    if (master != nullptr)
        masterConnection_ =
            QObject::connect(master, &TVornDatasource::scrolled, [this] { masterScrolled(); });
}

void TVornClientDataSet::masterScrolled() {
    TVornClientDataSet* master = master_ != nullptr ? master_->DataSet() : nullptr;
    if (master == nullptr || !master->Active())
        return;
    for (int i = 0; i < params_.Count(); ++i) {
        TParam& param = params_.Items(i);
        const TField* field = master->FindField(param.Name());
        if (field == nullptr)
            continue;
        if (IsIntegerType(field->DataType()))
            param.SetAsInteger(field->AsLargeInt());
        else if (field->DataType() == TFieldType::Date || field->DataType() == TFieldType::DateTime)
            param.SetAsDateTime(field->AsDateTime());
        else
            param.SetAsString(field->AsString());
    }
    if (Active()) {
        Close();
        Open();
    }
}

// ---------------------------------------------------------------- cached and parameter datasets

Table TVornCachedClientDataSet::fetch() {
    QVariantList values;
    for (int i = 0; i < Params().Count(); ++i)
        values << Params().Items(i).Value();
    if (cache_ && cache_->provider.compare(ProviderName(), Qt::CaseInsensitive) == 0 &&
        cache_->commandText == CommandText() && cache_->paramValues == values)
        return cache_->table;
    Table fetched = TVornClientDataSet::fetch();
    cache_ = Cached{ProviderName(), CommandText(), values, fetched};
    return fetched;
}

TVornParamClientDataset::TVornParamClientDataset(const QString& name, const QString& parameterType,
                                                 IProviderBroker* broker)
    : TVornClientDataSet(name, broker) {
    SetProviderName(QStringLiteral("ParmDropDown"));
    Params().CreateParam(TFieldType::WideString, QStringLiteral("P_Type"));
    SetParameterType(parameterType);
    IDField = QStringLiteral("P_ID");
    OrderField = QStringLiteral("P_Code");
    SortFields = QStringLiteral("P_Code");
    LookupFicheName = QStringLiteral("TParamsForm");
}

void TVornParamClientDataset::SetParameterType(const QString& type) {
    parameterType_ = type;
    ParamByName(QStringLiteral("P_Type")).SetAsString(type);
}

} // namespace vorn
