#include "clientdataset.h"

#include "datasource.h"
#include "errors.h"
#include "roworder.h"
#include "scopeguards.h"

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

} // namespace

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
    changes_.Reset(rows);
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

void TVornClientDataSet::Close() {
    if (!Active())
        return;
    state_ = TDataSetState::Inactive;
    data_ = Table();
    order_.clear();
    changes_.Reset(0);
    buffer_.clear();
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

void TVornClientDataSet::Sort(const QString& fields, const QString& descFields) {
    requireActive();
    const QStringList names = SplitFieldList(fields);
    const QStringList descending = SplitFieldList(descFields);
    std::vector<TSortKey> keys;
    for (const QString& name : names) {
        const TField& field = FieldByName(name);
        if (field.column_ < 0)
            RaiseDatabaseError(QStringLiteral("Op veld '%s' kan niet gesorteerd worden"),
                               {field.FieldName()});
        keys.push_back({&data_.columns[static_cast<std::size_t>(field.column_)],
                        descending.contains(name, Qt::CaseInsensitive)});
    }
    if (state_ == TDataSetState::Insert || state_ == TDataSetState::Edit)
        Post();
    if (keys.empty())
        return;
    const bool keepCurrent = hasCurrentRow();
    const std::uint32_t current = keepCurrent ? order_[static_cast<std::size_t>(cursor_)] : 0;
    SortRowOrder(order_, keys);
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
        keyIndexes_.push_back({field.FieldName(), 0, std::nullopt});
        index = keyIndexes_.end() - 1;
    }
    if (index->generation != generation_ || !index->index) {
        index->index.emplace(data_.columns[static_cast<std::size_t>(field.column_)], order_);
        index->generation = generation_;
    }
    return index->index->Find(key);
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
        row[static_cast<std::size_t>(id->Index())] = changes_.NextTemporaryId();
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
        changes_.Inserted();
        order_.push_back(static_cast<std::uint32_t>(row));
        cursor_ = RecordCount() - 1;
        bof_ = eof_ = false;
    } else {
        row = currentPhysicalRow();
        changes_.Modifying(row, [&] { return cellsOfRow(row); });
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
    changes_.Deleting(row, cursor_, [&] { return cellsOfRow(row); });
    order_.erase(order_.begin() + cursor_);
    if (cursor_ >= RecordCount())
        cursor_ = RecordCount() - 1;
    eof_ = order_.empty();
    ++generation_;
    changed();
}

int TVornClientDataSet::ChangeCount() const {
    return changes_.ChangeCount();
}

Delta TVornClientDataSet::buildDelta(const std::vector<std::size_t>& rows) const {
    Delta delta;
    delta.idField = IDField;
    std::vector<std::size_t> columns;
    for (const auto& field : fields_)
        if (field->FieldKind() == TFieldKind::Data) {
            delta.fields.push_back(field->Def());
            columns.push_back(static_cast<std::size_t>(field->column_));
        }
    for (const std::size_t row : rows) {
        const TChangeLog::TRowStatus status = changes_.Status(row);
        DeltaRow change;
        change.kind = status == TChangeLog::TRowStatus::Inserted   ? DeltaRow::Kind::Insert
                      : status == TChangeLog::TRowStatus::Modified ? DeltaRow::Kind::Modify
                                                                   : DeltaRow::Kind::Delete;
        const std::vector<Cell>* asFetched = changes_.CellsAsFetched(row);
        for (std::size_t f = 0; f < columns.size(); ++f) {
            const QVariant value = FromCell(delta.fields[f], CellAt(data_.columns[columns[f]], row));
            change.values.push_back(value);
            change.originals.push_back(
                asFetched == nullptr ? value : FromCell(delta.fields[f], (*asFetched)[columns[f]]));
        }
        delta.rows.push_back(std::move(change));
    }
    return delta;
}

void TVornClientDataSet::commitApplied(const std::vector<std::size_t>& rows, const ApplyResult& result) {
    TField* idField = IDField.isEmpty() ? nullptr : FindField(IDField);
    std::vector<std::size_t> applied;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ApplyRowResult& outcome = result.rows[i];
        if (!outcome.ok)
            continue;
        const std::size_t row = rows[i];
        if (changes_.Status(row) == TChangeLog::TRowStatus::Inserted && idField != nullptr &&
            outcome.assignedId.isValid())
            SetCell(data_.columns[static_cast<std::size_t>(idField->column_)], row,
                    ToCell(idField->Def(), outcome.assignedId));
        applied.push_back(row);
    }
    changes_.Applied(applied);
    ++generation_;
    changed();
}

int TVornClientDataSet::ApplyUpdates(int maxErrors) {
    if (providerName_.isEmpty())
        RaiseDatabaseError(QStringLiteral("Dataset '%s' heeft geen provider om wijzigingen naar te sturen"),
                           {shownName(name_)});
    requireActive();
    Post();
    const std::vector<std::size_t> rows = changes_.PendingRows();
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
    changes_.Undo(order_,
                  [this](std::size_t row, const std::vector<Cell>& cells) { writeRow(row, cells, false); });
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
