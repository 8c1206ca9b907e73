#include "cubedefinition.h"

#include "numberformat.h"

#include "host/data/clientdataset.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <utility>

namespace vorn {

namespace {

constexpr int FormatVersion = 1;

[[noreturn]] void Fail(const QString& what) {
    throw ECubeError(QStringLiteral("Kubusdefinitie: ") + what);
}

template <typename T> using TNames = std::vector<std::pair<QString, T>>;

const TNames<TCubeAggregate>& AggregateNames() {
    static const TNames<TCubeAggregate> names{
        {QStringLiteral("count"), TCubeAggregate::Count},
        {QStringLiteral("countDistinct"), TCubeAggregate::CountDistinct},
        {QStringLiteral("sum"), TCubeAggregate::Sum},
        {QStringLiteral("average"), TCubeAggregate::Average},
        {QStringLiteral("minimum"), TCubeAggregate::Minimum},
        {QStringLiteral("maximum"), TCubeAggregate::Maximum}};
    return names;
}

const TNames<TCubeGroup>& GroupNames() {
    static const TNames<TCubeGroup> names{{QStringLiteral("none"), TCubeGroup::None},
                                          {QStringLiteral("year"), TCubeGroup::Year},
                                          {QStringLiteral("month"), TCubeGroup::Month},
                                          {QStringLiteral("schoolYear"), TCubeGroup::SchoolYear},
                                          {QStringLiteral("band"), TCubeGroup::Band}};
    return names;
}

const TNames<TShowAs>& ShowAsNames() {
    static const TNames<TShowAs> names{
        {QStringLiteral("value"), TShowAs::Value},
        {QStringLiteral("percentOfRow"), TShowAs::PercentOfRow},
        {QStringLiteral("percentOfColumn"), TShowAs::PercentOfColumn},
        {QStringLiteral("percentOfTotal"), TShowAs::PercentOfTotal},
        {QStringLiteral("differenceFromPrevious"), TShowAs::DifferenceFromPrevious},
        {QStringLiteral("percentDifferenceFromPrevious"), TShowAs::PercentDifferenceFromPrevious},
        {QStringLiteral("runningTotal"), TShowAs::RunningTotal},
        {QStringLiteral("rank"), TShowAs::Rank}};
    return names;
}

template <typename T> const T* Lookup(const TNames<T>& names, const QString& name) {
    for (const auto& [text, value] : names)
        if (text == name)
            return &value;
    return nullptr;
}

template <typename T> QString NameOf(const TNames<T>& names, T value) {
    for (const auto& [text, named] : names)
        if (named == value)
            return text;
    return {};
}

/// Refuses keys the format does not know, so that a typing error is not silently ignored.
void OnlyKeys(const QJsonObject& object, const QStringList& known, const QString& where) {
    for (const QString& key : object.keys())
        if (!known.contains(key))
            Fail(QStringLiteral("%1: onbekende sleutel \"%2\" (toegelaten: %3)")
                     .arg(where, key, known.join(QStringLiteral(", "))));
}

QJsonObject Object(const QJsonValue& value, const QString& where) {
    if (!value.isObject())
        Fail(QStringLiteral("%1 moet een object zijn").arg(where));
    return value.toObject();
}

QJsonObject ObjectAt(const QJsonObject& object, const QString& key, const QString& where) {
    const QJsonValue value = object.value(key);
    if (!value.isObject())
        Fail(QStringLiteral("%1: \"%2\" moet een object zijn").arg(where, key));
    return value.toObject();
}

QJsonArray Array(const QJsonObject& object, const QString& key, const QString& where) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        Fail(QStringLiteral("%1: \"%2\" ontbreekt").arg(where, key));
    if (!value.isArray())
        Fail(QStringLiteral("%1: \"%2\" moet een lijst zijn").arg(where, key));
    return value.toArray();
}

QString Text(const QJsonObject& object, const QString& key, const QString& where,
             const QString& fallback = {}) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return fallback;
    if (!value.isString())
        Fail(QStringLiteral("%1: \"%2\" moet een tekst zijn").arg(where, key));
    return value.toString();
}

/// A text that names something: present when required, and never empty when present.
QString Name(const QJsonObject& object, const QString& key, const QString& where, bool required,
             const QString& fallback = {}) {
    if (!object.contains(key)) {
        if (required)
            Fail(QStringLiteral("%1: \"%2\" ontbreekt").arg(where, key));
        return fallback;
    }
    QString name = Text(object, key, where);
    if (name.trimmed().isEmpty())
        Fail(QStringLiteral("%1: \"%2\" mag niet leeg zijn").arg(where, key));
    return name;
}

QStringList Texts(const QJsonObject& object, const QString& key, const QString& where) {
    QStringList texts;
    for (const QJsonValue value : Array(object, key, where)) {
        if (!value.isString())
            Fail(QStringLiteral("%1: \"%2\" mag alleen teksten bevatten").arg(where, key));
        texts << value.toString();
    }
    return texts;
}

bool Boolean(const QJsonObject& object, const QString& key, const QString& where, bool fallback) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return fallback;
    if (!value.isBool())
        Fail(QStringLiteral("%1: \"%2\" moet true of false zijn").arg(where, key));
    return value.toBool();
}

/// How messages name a dimension or measure: as the user sees it.
QString Shown(const QString& kind, const QString& caption, const QString& name) {
    return QStringLiteral("%1 \"%2\"").arg(kind, caption.isEmpty() ? name : caption);
}

TCubeGroup GroupOf(const QJsonObject& object, const QString& caption, const QString& where) {
    const QString name = Text(object, QStringLiteral("group"), where, QStringLiteral("none"));
    const TCubeGroup* group = Lookup(GroupNames(), name);
    if (group == nullptr)
        Fail(QStringLiteral("onbekende groepering \"%1\" bij dimensie \"%2\"").arg(name, caption));
    return *group;
}

double BandWidth(const QJsonObject& object, TCubeGroup group, const QString& where) {
    const QJsonValue value = object.value(QStringLiteral("width"));
    if (group != TCubeGroup::Band) {
        if (!value.isUndefined())
            Fail(QStringLiteral("%1: \"width\" hoort alleen bij groepering \"band\"").arg(where));
        return 0;
    }
    if (value.isUndefined())
        Fail(QStringLiteral("%1: groepering \"band\" vraagt een breedte (\"width\")").arg(where));
    if (!value.isDouble())
        Fail(QStringLiteral("%1: \"width\" moet een getal zijn").arg(where));
    if (!(value.toDouble() > 0))
        Fail(QStringLiteral("%1: \"width\" moet groter dan 0 zijn").arg(where));
    return value.toDouble();
}

TCubeDimensionDef Dimension(const QJsonObject& object, int number) {
    const QString numbered = QStringLiteral("dimensie %1").arg(number);
    OnlyKeys(object, {"name", "field", "caption", "group", "width"}, numbered);
    TCubeDimensionDef dimension;
    dimension.field = Name(object, QStringLiteral("field"), numbered, true);
    dimension.name = Name(object, QStringLiteral("name"), numbered, false, dimension.field);
    dimension.caption = Text(object, QStringLiteral("caption"), numbered, dimension.name);
    const QString where = Shown(QStringLiteral("dimensie"), dimension.caption, dimension.name);
    dimension.group =
        GroupOf(object, dimension.caption.isEmpty() ? dimension.name : dimension.caption, where);
    dimension.width = BandWidth(object, dimension.group, where);
    return dimension;
}

QString DefaultMeasureName(const QString& field, const QString& caption) {
    if (!field.isEmpty())
        return field;
    return caption.trimmed().isEmpty() ? QStringLiteral("Aantal") : caption;
}

TCubeMeasureDef Measure(const QJsonObject& object, int number) {
    const QString numbered = QStringLiteral("maat %1").arg(number);
    OnlyKeys(object, {"name", "field", "aggregate", "caption", "format"}, numbered);
    TCubeMeasureDef measure;
    measure.field = Name(object, QStringLiteral("field"), numbered, false);
    const QString aggregate = Name(object, QStringLiteral("aggregate"), numbered, true);
    const QString caption = Text(object, QStringLiteral("caption"), numbered);
    measure.name =
        Name(object, QStringLiteral("name"), numbered, false, DefaultMeasureName(measure.field, caption));
    measure.caption = object.contains(QStringLiteral("caption")) ? caption : measure.name;
    const QString where = Shown(QStringLiteral("maat"), measure.caption, measure.name);
    const TCubeAggregate* known = Lookup(AggregateNames(), aggregate);
    if (known == nullptr)
        Fail(QStringLiteral("onbekende samenvatting \"%1\" bij %2").arg(aggregate, where));
    measure.aggregate = *known;
    if (measure.field.isEmpty() && measure.aggregate != TCubeAggregate::Count)
        Fail(QStringLiteral("%1: samenvatting \"%2\" vraagt een veld (\"field\")").arg(where, aggregate));
    measure.format = Text(object, QStringLiteral("format"), where);
    if (!measure.format.isEmpty() && !TNumberFormat::Parse(measure.format))
        Fail(QStringLiteral(
                 "%1: getalnotatie \"%2\" wordt niet ondersteund (0, #,##0, 0.0, #,##0.00, 0.##, 0%, "
                 "0.0%, ...)")
                 .arg(where, measure.format));
    return measure;
}

template <typename T> void RequireUniqueNames(const std::vector<T>& items, const QString& kind) {
    for (std::size_t i = 0; i < items.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (items[i].name.compare(items[j].name, Qt::CaseInsensitive) == 0)
                Fail(QStringLiteral("%1 \"%2\" komt meer dan eens voor").arg(kind, items[i].name));
}

/// Resolves the names of a layout list to the spelling of the dimensions (or measures) they name.
template <typename T>
QStringList ResolveNames(const QStringList& names, const std::vector<T>& items, const QString& kind) {
    QStringList resolved;
    for (const QString& name : names) {
        const auto found = std::find_if(items.begin(), items.end(), [&](const T& item) {
            return item.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (found == items.end())
            Fail(QStringLiteral("de indeling noemt een onbekende %1 \"%2\"").arg(kind, name));
        if (resolved.contains(found->name))
            Fail(QStringLiteral("de indeling noemt %1 \"%2\" meer dan eens").arg(kind, found->name));
        resolved << found->name;
    }
    return resolved;
}

std::vector<TCubeFilterDef> Filters(const QJsonObject& object, const TOLAPDefinition& definition) {
    std::vector<TCubeFilterDef> filters;
    const QString where = QStringLiteral("de filters van de indeling");
    QStringList named;
    for (auto it = object.begin(); it != object.end(); ++it) {
        named << it.key();
        const QString dimension =
            ResolveNames(QStringList{it.key()}, definition.dimensions, QStringLiteral("dimensie")).front();
        if (std::any_of(filters.begin(), filters.end(),
                        [&](const TCubeFilterDef& filter) { return filter.dimension == dimension; }))
            Fail(QStringLiteral("%1 noemen dimensie \"%2\" meer dan eens").arg(where, dimension));
        filters.push_back({dimension, Texts(object, it.key(), where)});
    }
    return filters;
}

TCubeSortDef Sort(const QJsonObject& object, const QString& where, const TOLAPDefinition& definition) {
    OnlyKeys(object, {"by", "measure", "line", "order"}, where);
    TCubeSortDef sort;
    const QString by = Text(object, QStringLiteral("by"), where, QStringLiteral("label"));
    if (by == QStringLiteral("measure"))
        sort.by = TSortBy::Measure;
    else if (by != QStringLiteral("label"))
        Fail(QStringLiteral("%1: \"by\" is \"label\" of \"measure\"").arg(where));
    if (sort.by == TSortBy::Measure)
        sort.measure = ResolveNames(QStringList{Name(object, QStringLiteral("measure"), where, true)},
                                    definition.measures, QStringLiteral("maat"))
                           .front();
    else if (object.contains(QStringLiteral("measure")))
        Fail(QStringLiteral("%1: \"measure\" hoort alleen bij \"by\": \"measure\"").arg(where));
    else if (object.contains(QStringLiteral("line")))
        Fail(QStringLiteral("%1: \"line\" hoort alleen bij \"by\": \"measure\"").arg(where));
    if (object.contains(QStringLiteral("line")))
        sort.line = Texts(object, QStringLiteral("line"), where);
    const QString order = Text(object, QStringLiteral("order"), where, QStringLiteral("ascending"));
    if (order == QStringLiteral("descending"))
        sort.descending = true;
    else if (order != QStringLiteral("ascending"))
        Fail(QStringLiteral("%1: \"order\" is \"ascending\" of \"descending\"").arg(where));
    return sort;
}

TCubeTotalsDef Totals(const QJsonObject& object, const QString& where) {
    OnlyKeys(object, {"grand", "sub"}, where);
    return {Boolean(object, QStringLiteral("grand"), where, true),
            Boolean(object, QStringLiteral("sub"), where, true)};
}

/// What a definition without layout shows: its first dimension on the rows and every measure.
TCubeLayoutDef DefaultLayout(const TOLAPDefinition& definition) {
    TCubeLayoutDef layout;
    layout.rows << definition.dimensions.front().name;
    for (const TCubeMeasureDef& measure : definition.measures)
        layout.measures << measure.name;
    return layout;
}

void ReadSortAndTotals(const QJsonObject& object, const TOLAPDefinition& definition, TCubeLayoutDef& layout) {
    if (object.contains(QStringLiteral("sort"))) {
        const QString where = QStringLiteral("de sortering van de indeling");
        const QJsonObject sort = ObjectAt(object, QStringLiteral("sort"), QStringLiteral("de indeling"));
        OnlyKeys(sort, {"rows", "columns"}, where);
        if (sort.contains(QStringLiteral("rows")))
            layout.rowSort = Sort(ObjectAt(sort, QStringLiteral("rows"), where),
                                  QStringLiteral("de sortering van de rijen"), definition);
        if (sort.contains(QStringLiteral("columns")))
            layout.columnSort = Sort(ObjectAt(sort, QStringLiteral("columns"), where),
                                     QStringLiteral("de sortering van de kolommen"), definition);
    }
    if (object.contains(QStringLiteral("totals"))) {
        const QString where = QStringLiteral("de totalen van de indeling");
        const QJsonObject totals = ObjectAt(object, QStringLiteral("totals"), QStringLiteral("de indeling"));
        OnlyKeys(totals, {"rows", "columns"}, where);
        if (totals.contains(QStringLiteral("rows")))
            layout.rowTotals = Totals(ObjectAt(totals, QStringLiteral("rows"), where),
                                      QStringLiteral("de totalen van de rijen"));
        if (totals.contains(QStringLiteral("columns")))
            layout.columnTotals = Totals(ObjectAt(totals, QStringLiteral("columns"), where),
                                         QStringLiteral("de totalen van de kolommen"));
    }
}

TCubeLayoutDef Layout(const QJsonObject& object, const TOLAPDefinition& definition) {
    const QString where = QStringLiteral("de indeling");
    OnlyKeys(object, {"rows", "columns", "filters", "measures", "showAs", "showAsField", "sort", "totals"},
             where);
    TCubeLayoutDef layout = DefaultLayout(definition);
    const QString dimension = QStringLiteral("dimensie");
    if (object.contains(QStringLiteral("columns")))
        layout.columns =
            ResolveNames(Texts(object, QStringLiteral("columns"), where), definition.dimensions, dimension);
    if (object.contains(QStringLiteral("rows")))
        layout.rows =
            ResolveNames(Texts(object, QStringLiteral("rows"), where), definition.dimensions, dimension);
    else if (layout.columns.contains(layout.rows.front()))
        layout.rows.clear();
    ResolveNames(layout.rows + layout.columns, definition.dimensions, dimension);
    if (object.contains(QStringLiteral("filters")))
        layout.filters = Filters(ObjectAt(object, QStringLiteral("filters"), where), definition);
    if (object.contains(QStringLiteral("measures"))) {
        layout.measures = ResolveNames(Texts(object, QStringLiteral("measures"), where), definition.measures,
                                       QStringLiteral("maat"));
        if (layout.measures.isEmpty())
            Fail(QStringLiteral("de indeling toont geen enkele maat"));
    }
    const QString showAs = Text(object, QStringLiteral("showAs"), where, QStringLiteral("value"));
    const TShowAs* shown = Lookup(ShowAsNames(), showAs);
    if (shown == nullptr)
        Fail(
            QStringLiteral("onbekende weergave \"%1\" (value, percentOfRow, percentOfColumn, percentOfTotal, "
                           "differenceFromPrevious, percentDifferenceFromPrevious, runningTotal of rank)")
                .arg(showAs));
    layout.showAs = *shown;
    if (object.contains(QStringLiteral("showAsField")))
        layout.showAsField = ResolveNames({Text(object, QStringLiteral("showAsField"), where, QString())},
                                          definition.dimensions, dimension)
                                 .front();
    ReadSortAndTotals(object, definition, layout);
    return layout;
}

void RequireContents(const TOLAPDefinition& definition) {
    if (definition.dimensions.empty())
        Fail(QStringLiteral("er zijn geen dimensies"));
    if (definition.measures.empty())
        Fail(QStringLiteral("er zijn geen maten"));
    RequireUniqueNames(definition.dimensions, QStringLiteral("dimensie"));
    RequireUniqueNames(definition.measures, QStringLiteral("maat"));
}

void RequireFormatAndVersion(const QJsonObject& root) {
    const QString where = QStringLiteral("de definitie");
    if (Name(root, QStringLiteral("format"), where, true) != QStringLiteral("vorn-cube"))
        Fail(QStringLiteral("\"format\" moet \"vorn-cube\" zijn"));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (version.isUndefined())
        Fail(QStringLiteral("%1: \"version\" ontbreekt").arg(where));
    if (!version.isDouble())
        Fail(QStringLiteral("%1: \"version\" moet een getal zijn").arg(where));
    if (version.toDouble() != FormatVersion)
        Fail(QStringLiteral("versie %1 wordt niet ondersteund (dit programma leest versie %2)")
                 .arg(version.toDouble())
                 .arg(FormatVersion));
}

TOLAPDefinition ParseFullForm(const QJsonObject& root) {
    const QString where = QStringLiteral("de definitie");
    OnlyKeys(root, {"format", "version", "dimensions", "measures", "layout"}, where);
    RequireFormatAndVersion(root);
    TOLAPDefinition definition;
    const QJsonArray dimensions = Array(root, QStringLiteral("dimensions"), where);
    for (qsizetype i = 0; i < dimensions.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        definition.dimensions.push_back(
            Dimension(Object(dimensions[i], QStringLiteral("dimensie %1").arg(number)), number));
    }
    const QJsonArray measures = Array(root, QStringLiteral("measures"), where);
    for (qsizetype i = 0; i < measures.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        definition.measures.push_back(
            Measure(Object(measures[i], QStringLiteral("maat %1").arg(number)), number));
    }
    RequireContents(definition);
    definition.layout = root.contains(QStringLiteral("layout"))
                            ? Layout(ObjectAt(root, QStringLiteral("layout"), where), definition)
                            : DefaultLayout(definition);
    return definition;
}

/// The short form stored before the full one: rows and columns of fields, and values as measures.
TOLAPDefinition ParseShortForm(const QJsonObject& root) {
    const QString where = QStringLiteral("de definitie");
    OnlyKeys(root, {"rows", "columns", "values"}, where);
    TOLAPDefinition definition;
    QStringList rows;
    QStringList columns;
    if (root.contains(QStringLiteral("rows")))
        rows = Texts(root, QStringLiteral("rows"), where);
    if (root.contains(QStringLiteral("columns")))
        columns = Texts(root, QStringLiteral("columns"), where);
    for (const QString& field : rows + columns) {
        if (field.trimmed().isEmpty())
            Fail(QStringLiteral("%1: een veld van \"rows\" of \"columns\" is leeg").arg(where));
        definition.dimensions.push_back({field, field, field, TCubeGroup::None, 0});
    }
    const QJsonArray values = Array(root, QStringLiteral("values"), where);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        definition.measures.push_back(
            Measure(Object(values[i], QStringLiteral("maat %1").arg(number)), number));
    }
    RequireContents(definition);
    definition.layout = DefaultLayout(definition);
    definition.layout.rows = rows;
    definition.layout.columns = columns;
    return definition;
}

bool IsFullForm(const QJsonObject& root) {
    for (const char* key : {"format", "version", "dimensions", "measures", "layout"})
        if (root.contains(QLatin1String(key)))
            return true;
    return false;
}

QJsonObject SortToJson(const TCubeSortDef& sort) {
    QJsonObject object{{"by", sort.by == TSortBy::Label ? "label" : "measure"},
                       {"order", sort.descending ? "descending" : "ascending"}};
    if (sort.by == TSortBy::Measure)
        object.insert(QStringLiteral("measure"), sort.measure);
    if (!sort.line.isEmpty())
        object.insert(QStringLiteral("line"), QJsonArray::fromStringList(sort.line));
    return object;
}

QJsonObject TotalsToJson(const TCubeTotalsDef& totals) {
    return QJsonObject{{"grand", totals.grand}, {"sub", totals.sub}};
}

QJsonObject LayoutToJson(const TCubeLayoutDef& layout) {
    QJsonObject filters;
    for (const TCubeFilterDef& filter : layout.filters)
        filters.insert(filter.dimension, QJsonArray::fromStringList(filter.members));
    QJsonObject object{{"rows", QJsonArray::fromStringList(layout.rows)},
                       {"columns", QJsonArray::fromStringList(layout.columns)},
                       {"filters", filters},
                       {"measures", QJsonArray::fromStringList(layout.measures)},
                       {"showAs", ShowAsName(layout.showAs)},
                       {"sort", QJsonObject{{"rows", SortToJson(layout.rowSort)},
                                            {"columns", SortToJson(layout.columnSort)}}},
                       {"totals", QJsonObject{{"rows", TotalsToJson(layout.rowTotals)},
                                              {"columns", TotalsToJson(layout.columnTotals)}}}};
    if (!layout.showAsField.isEmpty())
        object.insert(QStringLiteral("showAsField"), layout.showAsField);
    return object;
}

QJsonObject DimensionToJson(const TCubeDimensionDef& dimension) {
    QJsonObject object{{"name", dimension.name}, {"field", dimension.field}, {"caption", dimension.caption}};
    if (dimension.group != TCubeGroup::None)
        object.insert(QStringLiteral("group"), GroupName(dimension.group));
    if (dimension.group == TCubeGroup::Band)
        object.insert(QStringLiteral("width"), dimension.width);
    return object;
}

QJsonObject MeasureToJson(const TCubeMeasureDef& measure) {
    QJsonObject object{{"name", measure.name},
                       {"aggregate", AggregateName(measure.aggregate)},
                       {"caption", measure.caption}};
    if (!measure.field.isEmpty())
        object.insert(QStringLiteral("field"), measure.field);
    if (!measure.format.isEmpty())
        object.insert(QStringLiteral("format"), measure.format);
    return object;
}

int LineOf(const QByteArray& text, qsizetype offset) {
    return static_cast<int>(text.left(offset).count('\n')) + 1;
}

/// The character a parse error points at, counted from 1 on its line; Qt's offset mostly lies just
/// past the character that broke the parse.
int ColumnOf(const QByteArray& text, qsizetype offset) {
    const qsizetype lineStart = offset > 0 ? text.lastIndexOf('\n', offset - 1) + 1 : 0;
    return std::max(1, static_cast<int>(offset - lineStart));
}

} // namespace

TOLAPDefinition ParseCubeDefinition(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        const qsizetype offset = std::clamp<qsizetype>(error.offset, 0, bytes.size());
        Fail(QStringLiteral("geen geldige JSON op regel %1, teken %2 (%3)")
                 .arg(LineOf(bytes, offset))
                 .arg(ColumnOf(bytes, offset))
                 .arg(error.errorString()));
    }
    if (!document.isObject())
        Fail(QStringLiteral("de definitie moet één JSON-object zijn"));
    const QJsonObject root = document.object();
    return IsFullForm(root) ? ParseFullForm(root) : ParseShortForm(root);
}

QByteArray LayoutToBytes(const TCubeLayoutDef& layout) {
    return QJsonDocument(LayoutToJson(layout)).toJson(QJsonDocument::Compact);
}

TCubeLayoutDef LayoutFromBytes(const QByteArray& bytes, const TOLAPDefinition& definition) {
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        Fail(QStringLiteral("de indeling moet één JSON-object zijn"));
    return Layout(document.object(), definition);
}

TOLAPDefinition TOLAPDefinition::LoadFromBytes(const QByteArray& bytes) {
    return ParseCubeDefinition(bytes);
}

TOLAPDefinition TOLAPDefinition::LoadFromText(const QString& text) {
    return ParseCubeDefinition(text.toUtf8());
}

TOLAPDefinition TOLAPDefinition::LoadFromBlobField(const TField& field) {
    if (field.IsNull())
        Fail(QStringLiteral("het veld \"%1\" is leeg").arg(field.FieldName()));
    return ParseCubeDefinition(field.AsBytes());
}

QByteArray TOLAPDefinition::ToBytes() const {
    QJsonArray dimensionList;
    for (const TCubeDimensionDef& dimension : dimensions)
        dimensionList.append(DimensionToJson(dimension));
    QJsonArray measureList;
    for (const TCubeMeasureDef& measure : measures)
        measureList.append(MeasureToJson(measure));
    const QJsonObject root{{"format", "vorn-cube"},
                           {"version", FormatVersion},
                           {"dimensions", dimensionList},
                           {"measures", measureList},
                           {"layout", LayoutToJson(layout)}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

int TOLAPDefinition::DimensionIndex(const QString& name) const {
    for (std::size_t i = 0; i < dimensions.size(); ++i)
        if (dimensions[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int TOLAPDefinition::MeasureIndex(const QString& name) const {
    for (std::size_t i = 0; i < measures.size(); ++i)
        if (measures[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

QString AggregateName(TCubeAggregate aggregate) {
    return NameOf(AggregateNames(), aggregate);
}

QString GroupName(TCubeGroup group) {
    return NameOf(GroupNames(), group);
}

bool IsAlongAField(TShowAs showAs) {
    return showAs == TShowAs::DifferenceFromPrevious || showAs == TShowAs::PercentDifferenceFromPrevious ||
           showAs == TShowAs::RunningTotal || showAs == TShowAs::Rank;
}

bool ShowsFraction(TShowAs showAs) {
    return showAs == TShowAs::PercentOfRow || showAs == TShowAs::PercentOfColumn ||
           showAs == TShowAs::PercentOfTotal || showAs == TShowAs::PercentDifferenceFromPrevious;
}

QString ShowAsName(TShowAs showAs) {
    return NameOf(ShowAsNames(), showAs);
}

bool NeedsNumbers(TCubeAggregate aggregate) {
    return aggregate == TCubeAggregate::Sum || aggregate == TCubeAggregate::Average ||
           aggregate == TCubeAggregate::Minimum || aggregate == TCubeAggregate::Maximum;
}

} // namespace vorn
