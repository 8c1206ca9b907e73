#pragma once

#include <QString>
#include <cstdint>

namespace vorn {

enum class TFieldType : std::uint8_t {
    Smallint,   // 16-bit integer
    Integer,    // 32-bit integer
    Largeint,   // 64-bit integer
    Decimal,    // fixed point with precision and scale
    Float,      // double
    String,     // single-byte text with a width
    WideString, // wide text with a width
    FixedChar,  // fixed-width text
    Date,
    DateTime,
    Blob,
    Memo,
};

/// Integers, decimals and floats: the types a grid right-aligns and a workbook stores as numbers.
bool IsNumericField(TFieldType type);

enum class TFieldKind : std::uint8_t { Data, Calculated, InternalCalc, Lookup };

enum TProviderFlag : std::uint8_t { pfInUpdate = 1, pfInWhere = 2, pfInKey = 4, pfHidden = 8 };
using TProviderFlags = std::uint8_t;

/// How a column keeps its values in memory.
enum class StorageKind : std::uint8_t { Int32, Int64, Double, Bytes };

StorageKind StorageOf(TFieldType type);
bool IsTextType(TFieldType type);
bool IsIntegerType(TFieldType type);
QString FieldTypeName(TFieldType type);

/// The definition of one field: its type as the provider delivers it, and the settings a screen declares.
struct FieldDef {
    QString name;
    TFieldType type = TFieldType::Integer;
    int size = 0; // width in characters for text
    int precision = 0;
    int scale = 0; // digits after the point for decimals
    bool required = false;
    TFieldKind kind = TFieldKind::Data;
    QString displayLabel;
    int displayWidth = 0; // 0: derived from the type
    bool visible = true;
    /// A text that reads as a number ("+12,5 %"): right-aligned, and sorted by its number, a text
    /// without one ("nieuw", growth from nothing) above every number.
    bool numericText = false;
    TProviderFlags providerFlags = pfInUpdate | pfInWhere;
    QString origin;
    // Lookup fields: the value of `lookupResultField` in the row of `lookupDataSet` whose
    // `lookupKeyFields` equals this row's `keyFields`.
    QString keyFields;
    class TVornClientDataSet* lookupDataSet = nullptr;
    QString lookupKeyFields;
    QString lookupResultField;

    static FieldDef smallint(const QString& name);
    static FieldDef integer(const QString& name);
    static FieldDef largeint(const QString& name);
    static FieldDef decimal(const QString& name, int precision, int scale);
    static FieldDef floating(const QString& name);
    static FieldDef string(const QString& name, int size);
    static FieldDef wideString(const QString& name, int size);
    static FieldDef fixedChar(const QString& name, int size);
    static FieldDef date(const QString& name);
    static FieldDef dateTime(const QString& name);
    static FieldDef blob(const QString& name);
    static FieldDef memo(const QString& name);

    FieldDef& label(const QString& text);
    FieldDef& width(int characters);
    FieldDef& hidden();
    FieldDef& req();
    FieldDef& flags(TProviderFlags value);
    FieldDef& calculated();
    FieldDef& internalCalc();
    FieldDef& lookup(const QString& keyField, TVornClientDataSet* dataSet, const QString& lookupKey,
                     const QString& resultField);
};

} // namespace vorn
