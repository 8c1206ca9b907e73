#include "fielddef.h"

namespace vorn {

bool IsNumericField(TFieldType type) {
    switch (type) {
    case TFieldType::Smallint:
    case TFieldType::Integer:
    case TFieldType::Largeint:
    case TFieldType::Decimal:
    case TFieldType::Float:
        return true;
    default:
        return false;
    }
}

StorageKind StorageOf(TFieldType type) {
    switch (type) {
    case TFieldType::Smallint:
    case TFieldType::Integer:
        return StorageKind::Int32;
    case TFieldType::Largeint:
    case TFieldType::Decimal:
        return StorageKind::Int64;
    case TFieldType::Float:
    case TFieldType::Date:
    case TFieldType::DateTime:
        return StorageKind::Double;
    case TFieldType::String:
    case TFieldType::WideString:
    case TFieldType::FixedChar:
    case TFieldType::Blob:
    case TFieldType::Memo:
        return StorageKind::Bytes;
    }
    return StorageKind::Bytes;
}

bool IsTextType(TFieldType type) {
    return type == TFieldType::String || type == TFieldType::WideString || type == TFieldType::FixedChar ||
           type == TFieldType::Memo;
}

bool IsIntegerType(TFieldType type) {
    return type == TFieldType::Smallint || type == TFieldType::Integer || type == TFieldType::Largeint;
}

QString FieldTypeName(TFieldType type) {
    switch (type) {
    case TFieldType::Smallint:
        return QStringLiteral("smallint");
    case TFieldType::Integer:
        return QStringLiteral("integer");
    case TFieldType::Largeint:
        return QStringLiteral("largeint");
    case TFieldType::Decimal:
        return QStringLiteral("decimal");
    case TFieldType::Float:
        return QStringLiteral("float");
    case TFieldType::String:
        return QStringLiteral("string");
    case TFieldType::WideString:
        return QStringLiteral("widestring");
    case TFieldType::FixedChar:
        return QStringLiteral("fixedchar");
    case TFieldType::Date:
        return QStringLiteral("date");
    case TFieldType::DateTime:
        return QStringLiteral("datetime");
    case TFieldType::Blob:
        return QStringLiteral("blob");
    case TFieldType::Memo:
        return QStringLiteral("memo");
    }
    return QStringLiteral("?");
}

namespace {
FieldDef make(const QString& name, TFieldType type, int size = 0) {
    FieldDef def;
    def.name = name;
    def.type = type;
    def.size = size;
    return def;
}
} // namespace

FieldDef FieldDef::smallint(const QString& name) {
    return make(name, TFieldType::Smallint);
}
FieldDef FieldDef::integer(const QString& name) {
    return make(name, TFieldType::Integer);
}
FieldDef FieldDef::largeint(const QString& name) {
    return make(name, TFieldType::Largeint);
}
FieldDef FieldDef::decimal(const QString& name, int precision, int scale) {
    FieldDef def = make(name, TFieldType::Decimal);
    def.precision = precision;
    def.scale = scale;
    return def;
}
FieldDef FieldDef::floating(const QString& name) {
    return make(name, TFieldType::Float);
}
FieldDef FieldDef::string(const QString& name, int size) {
    return make(name, TFieldType::String, size);
}
FieldDef FieldDef::wideString(const QString& name, int size) {
    return make(name, TFieldType::WideString, size);
}
FieldDef FieldDef::fixedChar(const QString& name, int size) {
    return make(name, TFieldType::FixedChar, size);
}
FieldDef FieldDef::date(const QString& name) {
    return make(name, TFieldType::Date);
}
FieldDef FieldDef::dateTime(const QString& name) {
    return make(name, TFieldType::DateTime);
}
FieldDef FieldDef::blob(const QString& name) {
    return make(name, TFieldType::Blob);
}
FieldDef FieldDef::memo(const QString& name) {
    return make(name, TFieldType::Memo);
}

FieldDef& FieldDef::label(const QString& text) {
    displayLabel = text;
    return *this;
}
FieldDef& FieldDef::width(int characters) {
    displayWidth = characters;
    return *this;
}
FieldDef& FieldDef::hidden() {
    visible = false;
    return *this;
}
FieldDef& FieldDef::req() {
    required = true;
    return *this;
}
FieldDef& FieldDef::flags(TProviderFlags value) {
    providerFlags = value;
    return *this;
}
FieldDef& FieldDef::calculated() {
    kind = TFieldKind::Calculated;
    return *this;
}
FieldDef& FieldDef::internalCalc() {
    kind = TFieldKind::InternalCalc;
    return *this;
}
FieldDef& FieldDef::lookup(const QString& keyField, TVornClientDataSet* dataSet, const QString& lookupKey,
                           const QString& resultField) {
    kind = TFieldKind::Lookup;
    keyFields = keyField;
    lookupDataSet = dataSet;
    lookupKeyFields = lookupKey;
    lookupResultField = resultField;
    return *this;
}

} // namespace vorn
