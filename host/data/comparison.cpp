#include "comparison.h"

#include "cell.h"
#include "clientdataset.h"
#include "errors.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <deque>
#include <unordered_map>

namespace vorn {

QString ComparedFieldName(const QString& figure, TComparedPart part) {
    switch (part) {
    case TComparedPart::Current:
        return figure;
    case TComparedPart::Other:
        return figure + QStringLiteral("_VGL");
    case TComparedPart::Difference:
        return figure + QStringLiteral("_VERSCHIL");
    case TComparedPart::Change:
        return figure + QStringLiteral("_PROCENT");
    }
    return figure;
}

QString ComparedCaption(const QString& figureCaption, TComparedPart part) {
    switch (part) {
    case TComparedPart::Current:
        return figureCaption;
    case TComparedPart::Other:
        return figureCaption + QStringLiteral(" vgl.");
    case TComparedPart::Difference:
        return figureCaption + QStringLiteral(" verschil");
    case TComparedPart::Change:
        return figureCaption + QStringLiteral(" %");
    }
    return figureCaption;
}

QString ChangeText(std::optional<double> current, std::optional<double> other) {
    if (!current || !other)
        return {};
    if (*other == 0)
        return *current == 0 ? QStringLiteral("0 %") : QStringLiteral("nieuw");
    const double percent = std::round((*current - *other) / std::fabs(*other) * 1000.0) / 10.0;
    const QLocale dutch(QLocale::Dutch, QLocale::Belgium);
    const bool whole = percent == std::round(percent);
    QString number = dutch.toString(std::fabs(percent), 'f', whole ? 0 : 1);
    const QString sign = percent > 0 ? QStringLiteral("+") : percent < 0 ? QStringLiteral("-") : QString();
    return sign + number + QStringLiteral(" %");
}

namespace {

QString keyPart(const TVornClientDataSet& dataSet, const TField& field, int position) {
    return CellText(field.Def(), dataSet.cellAtPosition(field, position)).trimmed().toCaseFolded();
}

std::vector<const TField*> fieldsOf(const TVornClientDataSet& dataSet, const QStringList& names) {
    std::vector<const TField*> fields;
    for (const QString& name : names)
        fields.push_back(&dataSet.FieldByName(name));
    return fields;
}

/// The category a row stands for: its match fields, or its fallback fields when those are all
/// empty; the two kinds of key never meet.
class TRowKeys {
public:
    TRowKeys(const TVornClientDataSet& dataSet, const TComparisonLayout& layout)
        : dataSet_(dataSet), match_(fieldsOf(dataSet, layout.matchFields)),
          fallback_(fieldsOf(dataSet, layout.fallbackFields)) {}

    QString KeyAt(int position) const {
        QString key = joined(match_, position);
        if (!key.isEmpty())
            return QStringLiteral("c") + key;
        return QStringLiteral("f") + joined(fallback_, position);
    }

private:
    QString joined(const std::vector<const TField*>& fields, int position) const {
        QString key;
        bool any = false;
        for (const TField* field : fields) {
            const QString part = keyPart(dataSet_, *field, position);
            any = any || !part.isEmpty();
            key += part + QChar(0x1f);
        }
        return any ? key : QString();
    }

    const TVornClientDataSet& dataSet_;
    std::vector<const TField*> match_;
    std::vector<const TField*> fallback_;
};

bool isIntegerStored(const FieldDef& def) {
    const StorageKind kind = StorageOf(def.type);
    return kind == StorageKind::Int32 || kind == StorageKind::Int64;
}

/// A figure's value as a number, decimals scaled down; empty for null.
std::optional<double> numberOf(const FieldDef& def, const Cell& cell) {
    if (const auto* i = std::get_if<std::int64_t>(&cell))
        return def.type == TFieldType::Decimal
                   ? static_cast<double>(*i) / static_cast<double>(DecimalFactor(def.scale))
                   : static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&cell))
        return *d;
    return std::nullopt;
}

Cell difference(const Cell& current, const Cell& other) {
    if (IsNullCell(current) || IsNullCell(other))
        return {};
    if (const auto* i = std::get_if<std::int64_t>(&current))
        return *i - std::get<std::int64_t>(other);
    return std::get<double>(current) - std::get<double>(other);
}

/// The stored type of a compared figure: integers widen to 64 bits, since a difference of two
/// 32-bit counts may not fit in 32.
FieldDef figureDef(const FieldDef& source, const QString& name, const QString& caption) {
    FieldDef def = source;
    if (isIntegerStored(source) && source.type != TFieldType::Decimal)
        def.type = TFieldType::Largeint;
    def.name = name;
    def.displayLabel = caption;
    def.required = false;
    def.kind = TFieldKind::Data;
    def.visible = true;
    def.lookupDataSet = nullptr;
    return def;
}

FieldDef labelDef(const FieldDef& source) {
    FieldDef def = source;
    def.required = false;
    def.kind = TFieldKind::Data;
    def.lookupDataSet = nullptr;
    return def;
}

Cell cellOf(const TVornClientDataSet& dataSet, const QString& field, const std::optional<int>& position) {
    if (!position)
        return {};
    return dataSet.cellAtPosition(dataSet.FieldByName(field), *position);
}

} // namespace

std::vector<TComparedRow> PairRows(const TVornClientDataSet& current, const TVornClientDataSet& other,
                                   const TComparisonLayout& layout) {
    std::vector<TComparedRow> rows;
    rows.reserve(static_cast<std::size_t>(current.RecordCount()));
    if (!layout.matchable) {
        for (int position = 0; position < current.RecordCount(); ++position)
            rows.push_back({position, std::nullopt});
        return rows;
    }
    const TRowKeys otherKeys(other, layout);
    std::unordered_map<QString, std::deque<int>> unpaired;
    for (int position = 0; position < other.RecordCount(); ++position)
        unpaired[otherKeys.KeyAt(position)].push_back(position);
    std::vector<bool> paired(static_cast<std::size_t>(other.RecordCount()), false);
    const TRowKeys currentKeys(current, layout);
    const TField* currentId = layout.idField.isEmpty() ? nullptr : &current.FieldByName(layout.idField);
    const TField* otherId = layout.idField.isEmpty() ? nullptr : &other.FieldByName(layout.idField);
    for (int position = 0; position < current.RecordCount(); ++position) {
        TComparedRow row{position, std::nullopt};
        const auto found = unpaired.find(currentKeys.KeyAt(position));
        if (found != unpaired.end() && !found->second.empty()) {
            std::deque<int>& candidates = found->second;
            auto chosen = candidates.begin();
            if (currentId != nullptr && candidates.size() > 1) {
                const Cell id = current.cellAtPosition(*currentId, position);
                const auto sameId = std::find_if(candidates.begin(), candidates.end(), [&](int candidate) {
                    return other.cellAtPosition(*otherId, candidate) == id;
                });
                if (sameId != candidates.end())
                    chosen = sameId;
            }
            row.other = *chosen;
            paired[static_cast<std::size_t>(*row.other)] = true;
            candidates.erase(chosen);
        }
        rows.push_back(row);
    }
    for (int position = 0; position < other.RecordCount(); ++position)
        if (!paired[static_cast<std::size_t>(position)])
            rows.push_back({std::nullopt, position});
    return rows;
}

Table CompareRows(const TVornClientDataSet& current, const TVornClientDataSet& other,
                  const TComparisonLayout& layout) {
    std::vector<FieldDef> defs;
    for (const QString& name : layout.labelFields)
        defs.push_back(labelDef(current.FieldByName(name).Def()));
    for (const QString& name : layout.figureFields) {
        const TField& field = current.FieldByName(name);
        if (!IsNumericField(field.DataType()))
            RaiseClientError("Het veld %s is geen getal en kan niet vergeleken worden", name);
        const QString caption = field.DisplayLabel();
        for (const TComparedPart part :
             {TComparedPart::Current, TComparedPart::Other, TComparedPart::Difference})
            defs.push_back(
                figureDef(field.Def(), ComparedFieldName(name, part), ComparedCaption(caption, part)));
        FieldDef change = FieldDef::wideString(ComparedFieldName(name, TComparedPart::Change), 12);
        change.displayLabel = ComparedCaption(caption, TComparedPart::Change);
        change.numericText = true;
        defs.push_back(change);
    }
    Table table(defs);
    const std::vector<TComparedRow> rows = PairRows(current, other, layout);
    for (Column& column : table.columns)
        column.reserve(rows.size());
    for (const TComparedRow& row : rows) {
        std::size_t column = 0;
        for (const QString& name : layout.labelFields) {
            const Cell cell =
                row.current ? cellOf(current, name, row.current) : cellOf(other, name, row.other);
            AppendCell(table.columns[column],
                       ToCell(table.fields[column], FromCell(current.FieldByName(name).Def(), cell)));
            ++column;
        }
        for (const QString& name : layout.figureFields) {
            const FieldDef& source = current.FieldByName(name).Def();
            const FieldDef& target = table.fields[column];
            const Cell now = ToCell(target, FromCell(source, cellOf(current, name, row.current)));
            const Cell then = ToCell(target, FromCell(source, cellOf(other, name, row.other)));
            AppendCell(table.columns[column++], now);
            AppendCell(table.columns[column++], then);
            AppendCell(table.columns[column++], difference(now, then));
            AppendText(table.columns[column], table.fields[column],
                       ChangeText(numberOf(target, now), numberOf(target, then)));
            ++column;
        }
    }
    return table;
}

namespace {

/// The positions of the last year's rows by their figure, largest first; equal values keep their
/// order.
std::vector<int> largestFirst(const TVornClientDataSet& rows, const QString& figure) {
    const TField& field = rows.FieldByName(figure);
    std::vector<std::pair<double, int>> values;
    for (int position = 0; position < rows.RecordCount(); ++position)
        values.emplace_back(numberOf(field.Def(), rows.cellAtPosition(field, position)).value_or(0),
                            position);
    std::stable_sort(values.begin(), values.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<int> positions;
    for (const auto& [value, position] : values)
        positions.push_back(position);
    return positions;
}

} // namespace

QString TrendFieldName(const QString& caption, int index) {
    QString name = QStringLiteral("SJ_");
    for (const QChar c : caption)
        name += c.isLetterOrNumber() ? c : u'_';
    return caption.isEmpty() ? QStringLiteral("JAAR%1").arg(index + 1) : name;
}

Table TrendRows(const std::vector<TTrendYear>& years, const TComparisonLayout& layout, const QString& figure,
                int top) {
    if (years.empty())
        return {};
    const TVornClientDataSet& last = *years.back().rows;
    const FieldDef& figureDef = last.FieldByName(figure).Def();
    std::vector<FieldDef> defs;
    for (const QString& name : layout.labelFields) {
        FieldDef def = FieldDef::wideString(name, 200);
        def.displayLabel = last.FieldByName(name).DisplayLabel();
        def.visible = last.FieldByName(name).Visible();
        defs.push_back(def);
    }
    for (std::size_t year = 0; year < years.size(); ++year) {
        FieldDef def = FieldDef::floating(TrendFieldName(years[year].caption, static_cast<int>(year)));
        if (figureDef.type != TFieldType::Decimal && figureDef.type != TFieldType::Float)
            def = FieldDef::largeint(def.name);
        def.displayLabel = years[year].caption;
        defs.push_back(def);
    }
    Table table(defs);
    const auto appendNumber = [&table](std::size_t column, std::optional<double> value) {
        if (!value)
            table.columns[column].appendNull();
        else if (table.fields[column].type == TFieldType::Largeint)
            table.columns[column].appendInt(std::llround(*value));
        else
            table.columns[column].appendDouble(*value);
    };
    const std::size_t labels = static_cast<std::size_t>(layout.labelFields.size());
    // "Totaal" stands in the first label a user sees (an id is often first and hidden).
    std::size_t totalLabel = 0;
    while (totalLabel + 1 < labels && !table.fields[totalLabel].visible)
        ++totalLabel;
    for (std::size_t column = 0; column < labels; ++column)
        AppendText(table.columns[column], table.fields[column],
                   column == totalLabel ? QStringLiteral("Totaal") : QString());
    for (std::size_t year = 0; year < years.size(); ++year)
        appendNumber(labels + year, years[year].total ? years[year].total : SumOf(*years[year].rows, figure));

    // Each older year's partner of every row of the last year.
    std::vector<std::vector<std::optional<int>>> partners(years.size());
    for (std::size_t year = 0; year + 1 < years.size(); ++year) {
        partners[year].assign(static_cast<std::size_t>(last.RecordCount()), std::nullopt);
        for (const TComparedRow& row : PairRows(last, *years[year].rows, layout))
            if (row.current)
                partners[year][static_cast<std::size_t>(*row.current)] = row.other;
    }
    const std::vector<int> order = largestFirst(last, figure);
    for (std::size_t shown = 0; shown < order.size() && static_cast<int>(shown) < top; ++shown) {
        const int position = order[shown];
        for (std::size_t column = 0; column < labels; ++column) {
            const TField& field = last.FieldByName(layout.labelFields[static_cast<int>(column)]);
            AppendText(table.columns[column], table.fields[column],
                       CellText(field.Def(), last.cellAtPosition(field, position)));
        }
        for (std::size_t year = 0; year < years.size(); ++year) {
            const bool isLast = year + 1 == years.size();
            const std::optional<int> at =
                isLast ? std::optional<int>(position) : partners[year][static_cast<std::size_t>(position)];
            const TVornClientDataSet& rows = *years[year].rows;
            appendNumber(labels + year,
                         at ? numberOf(figureDef, rows.cellAtPosition(rows.FieldByName(figure), *at))
                            : std::nullopt);
        }
    }
    return table;
}

Table RowsInOrder(const TVornClientDataSet& dataSet) {
    std::vector<FieldDef> defs;
    std::vector<const TField*> fields;
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        const TField& field = dataSet.Fields(i);
        defs.push_back(labelDef(field.Def()));
        fields.push_back(&field);
    }
    Table table(defs);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        table.columns[i].reserve(static_cast<std::size_t>(dataSet.RecordCount()));
        for (int position = 0; position < dataSet.RecordCount(); ++position)
            AppendCell(table.columns[i], dataSet.cellAtPosition(*fields[i], position));
    }
    return table;
}

void LoadTable(TVornClientDataSet& dataSet, Table rows) {
    dataSet.Close();
    dataSet.ClearFields();
    for (const FieldDef& def : rows.fields)
        dataSet.AddField(def);
    dataSet.CreateDataSet(std::move(rows));
}

std::optional<double> SumOf(const TVornClientDataSet& dataSet, const QString& figure) {
    const TField* field = dataSet.FindField(figure);
    if (field == nullptr || !dataSet.Active())
        return std::nullopt;
    double sum = 0;
    for (int position = 0; position < dataSet.RecordCount(); ++position)
        sum += numberOf(field->Def(), dataSet.cellAtPosition(*field, position)).value_or(0);
    return sum;
}

} // namespace vorn
