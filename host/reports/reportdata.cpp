#include "reportdata.h"

#include "host/data/clientdataset.h"
#include "host/data/comparison.h"
#include "host/data/datetime.h"

#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <optional>

namespace vorn {

namespace {

[[noreturn]] void Fail(const TReportFile& file, const QString& what) {
    throw EReportError(QStringLiteral("Rapportbestand \"%1\": %2").arg(file.name, what));
}

QDate ParseDateText(const QString& text) {
    QDate date = QLocale().toDate(text, QLocale::ShortFormat);
    if (!date.isValid())
        date = QDate::fromString(text.left(10), Qt::ISODate);
    return date;
}

void SetParam(TVornClientDataSet& dataSet, const TReportParam& definition, const QString& value,
              const TReportFile& file) {
    TParam& param = dataSet.Params().CreateParam(definition.type, definition.name);
    if (value.trimmed().isEmpty())
        return; // null
    if (definition.type == TFieldType::Integer) {
        bool ok = false;
        const qint64 number = value.trimmed().toLongLong(&ok);
        if (!ok)
            Fail(file,
                 QStringLiteral("parameter %1: \"%2\" is geen geheel getal").arg(definition.name, value));
        param.SetAsInteger(number);
    } else if (definition.type == TFieldType::DateTime) {
        const QDate date = ParseDateText(value.trimmed());
        if (!date.isValid())
            Fail(file, QStringLiteral("parameter %1: \"%2\" is geen datum").arg(definition.name, value));
        param.SetAsDateTime(DateToDateTime(date));
    } else {
        param.SetAsString(value);
    }
}

/// Opens the source's provider with its parameters filled in, sorted as the file asks.
void OpenSource(TVornClientDataSet& dataSet, const TReportSource& source, const TPlaceholders& values,
                const TReportFile& file) {
    dataSet.SetProviderName(source.provider);
    for (const TReportParam& param : source.params)
        SetParam(dataSet, param, Substitute(param.value, values, file.name), file);
    dataSet.Open();
    for (const QString& field : source.order)
        if (dataSet.FindField(field) == nullptr)
            Fail(file, QStringLiteral("de provider \"%1\" geeft geen veld \"%2\" om op te sorteren")
                           .arg(source.provider, field));
    if (!source.order.isEmpty())
        dataSet.Sort(source.order.join(u';'), source.orderDesc.join(u';'));
}

TField& FieldOf(TVornClientDataSet& dataSet, const QString& name, const QString& provider,
                const TReportFile& file) {
    TField* field = dataSet.FindField(name);
    if (field == nullptr)
        Fail(file, QStringLiteral("de provider \"%1\" geeft geen veld \"%2\"").arg(provider, name));
    return *field;
}

QString CellText(TField& field, const TReportColumn& column) {
    if (field.IsNull())
        return {};
    if (!column.format.isEmpty() && IsNumericField(field.DataType()))
        return FormatNumber(field.AsFloat(), column.format);
    return field.DisplayText();
}

void AddLookup(TPlaceholders& values, const TReportLookup& lookup, const TReportFile& file,
               IProviderBroker* broker) {
    TVornClientDataSet dataSet(QStringLiteral("rapport-opzoeking"), broker);
    OpenSource(dataSet, lookup.source, values, file);
    TField& key = FieldOf(dataSet, lookup.keyField, lookup.source.provider, file);
    const QString wanted = Substitute(lookup.keyValue, values, file.name);
    dataSet.First();
    while (!dataSet.Eof() && key.AsString() != wanted)
        dataSet.Next();
    const bool found = !wanted.isEmpty() && !dataSet.Eof();
    // Without a matching row the fields are still known, and print empty.
    for (int i = 0; i < dataSet.FieldCount(); ++i) {
        TField& field = dataSet.Fields(i);
        values.insert(field.FieldName().toUpper(), found ? field.DisplayText() : QString());
    }
}

/// The other side of a comparison: the print parameters of the other date or period (every
/// "VGL_NAME" the screen passes stands in for NAME), and whether categories of different school
/// years may be paired.
struct TReportComparison {
    TPlaceholders values;
    bool sameSchoolYear = true;
    QString currentName;
    QString otherName;
};

std::optional<TReportComparison> ComparisonOf(const TPlaceholders& values) {
    static const QString prefix = QStringLiteral("VGL_");
    TReportComparison comparison;
    comparison.values = values;
    bool any = false;
    for (auto it = values.constBegin(); it != values.constEnd(); ++it)
        if (it.key().startsWith(prefix)) {
            comparison.values.insert(it.key().mid(prefix.size()), it.value());
            any = true;
        }
    if (!any)
        return std::nullopt;
    comparison.sameSchoolYear = values.value(QStringLiteral("VGL_ZELFDESCHOOLJAAR")) != QStringLiteral("0");
    comparison.currentName = values.value(QStringLiteral("REEKS"), QStringLiteral("Deze periode"));
    comparison.otherName = values.value(QStringLiteral("VGL_REEKS"), QStringLiteral("Vergelijking"));
    return comparison;
}

bool IsSummed(const TReportSection& section, const QString& field) {
    return section.totals && section.totals->sums.contains(field, Qt::CaseInsensitive);
}

/// How a section's rows are paired with the other side's: the summed columns (and the chart's
/// value) are the figures; the file's match columns, or every other column, name the category.
TComparisonLayout ReportComparisonLayout(const TReportSection& section, bool sameSchoolYear) {
    TComparisonLayout layout;
    for (const TReportColumn& column : section.columns) {
        if (IsSummed(section, column.field))
            layout.figureFields << column.field;
        else
            layout.labelFields << column.field;
    }
    layout.matchFields = section.matchFields.isEmpty() ? layout.labelFields : section.matchFields;
    for (const QString& field : layout.labelFields)
        if (!layout.matchFields.contains(field, Qt::CaseInsensitive))
            layout.fallbackFields << field;
    if (section.chart) {
        for (const QString& field : SplitFieldList(section.chart->labelField))
            if (!layout.labelFields.contains(field, Qt::CaseInsensitive))
                layout.labelFields << field;
        if (!layout.figureFields.contains(section.chart->valueField, Qt::CaseInsensitive))
            layout.figureFields << section.chart->valueField;
    }
    layout.matchable = sameSchoolYear || !section.withinSchoolYear;
    return layout;
}

/// The columns as printed in a comparison: every summed column followed by its other value, the
/// difference and the change in percent.
std::vector<TReportColumn> ComparedColumns(const TReportSection& section) {
    std::vector<TReportColumn> columns;
    for (const TReportColumn& column : section.columns) {
        if (!IsSummed(section, column.field)) {
            columns.push_back(column);
            continue;
        }
        for (const TComparedPart part : {TComparedPart::Current, TComparedPart::Other,
                                         TComparedPart::Difference, TComparedPart::Change}) {
            TReportColumn compared = column;
            compared.field = ComparedFieldName(column.field, part);
            compared.caption = ComparedCaption(column.caption, part);
            compared.align = Qt::AlignRight;
            if (part == TComparedPart::Change)
                compared.format.clear();
            columns.push_back(compared);
        }
    }
    return columns;
}

QString TotalFormat(const TReportColumn& column) {
    return column.format.isEmpty() ? QStringLiteral("#,##0") : column.format;
}

QStringList Totals(const TReportSection& section, const std::vector<double>& sums) {
    QStringList totals;
    for (std::size_t c = 0; c < section.columns.size(); ++c)
        totals << (IsSummed(section, section.columns[c].field)
                       ? FormatNumber(sums[c], TotalFormat(section.columns[c]))
                       : QString());
    return totals;
}

/// The totals of a compared section: for every figure both sides' totals over all their rows, the
/// difference and the change; `sums` per printed column, `otherSums` per column of the file.
QStringList ComparedTotals(const TReportSection& section, const std::vector<double>& sums,
                           const std::vector<double>& otherSums) {
    QStringList totals;
    std::size_t printed = 0;
    for (std::size_t c = 0; c < section.columns.size(); ++c) {
        const TReportColumn& column = section.columns[c];
        if (!IsSummed(section, column.field)) {
            totals << QString();
            ++printed;
            continue;
        }
        const double current = sums[printed];
        const double other = otherSums[c];
        totals << FormatNumber(current, TotalFormat(column)) << FormatNumber(other, TotalFormat(column))
               << FormatNumber(current - other, TotalFormat(column)) << ChangeText(current, other);
        printed += 4;
    }
    return totals;
}

/// Replaces the section's rows by the rows of both sides paired (CompareRows); answers the other
/// side's total of every column of the file.
std::vector<double> CompareWithOther(TVornClientDataSet& dataSet, const TReportSection& section,
                                     const TReportComparison& comparison, const TReportFile& file,
                                     IProviderBroker* broker) {
    TVornClientDataSet other(QStringLiteral("rapport-vergelijking"), broker);
    OpenSource(other, section.source, comparison.values, file);
    const TComparisonLayout layout = ReportComparisonLayout(section, comparison.sameSchoolYear);
    for (const QString& field : layout.labelFields + layout.figureFields) {
        FieldOf(dataSet, field, section.source.provider, file);
        FieldOf(other, field, section.source.provider, file);
    }
    for (const QString& figure : layout.figureFields)
        if (!IsNumericField(FieldOf(dataSet, figure, section.source.provider, file).DataType()))
            Fail(file, QStringLiteral("\"%1\" wordt opgeteld of getekend maar is geen getal: het kan niet "
                                      "vergeleken worden")
                           .arg(figure));
    std::vector<double> otherSums;
    for (const TReportColumn& column : section.columns)
        otherSums.push_back(SumOf(other, column.field).value_or(0));
    LoadTable(dataSet, CompareRows(dataSet, other, layout));
    return otherSums;
}

/// The rows as `columns` print them, and the totals line (a comparison's: `otherSums` given).
void FillRows(TReportSectionData& data, TVornClientDataSet& dataSet, const TReportSection& section,
              const std::vector<double>* otherSums, const TReportFile& file) {
    std::vector<TField*> fields;
    for (const TReportColumn& column : data.columns)
        fields.push_back(&FieldOf(dataSet, column.field, section.source.provider, file));
    data.columnCount = static_cast<int>(fields.size());
    data.rowCount = dataSet.RecordCount();
    data.cells.reserve(static_cast<std::size_t>(data.rowCount) * fields.size());
    std::vector<double> sums(fields.size(), 0.0);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        for (std::size_t c = 0; c < fields.size(); ++c) {
            data.cells.push_back(CellText(*fields[c], data.columns[c]));
            if (section.totals && IsNumericField(fields[c]->DataType()) && !fields[c]->IsNull())
                sums[c] += fields[c]->AsFloat();
        }
    if (section.totals)
        data.totals =
            otherSums != nullptr ? ComparedTotals(section, sums, *otherSums) : Totals(section, sums);
}

/// Beside each other, four columns a figure fit for a figure or two; more figures keep one column
/// each, holding the four parts on four lines.
bool StacksComparison(const TReportSection& section) {
    return std::count_if(section.columns.begin(), section.columns.end(),
                         [&](const TReportColumn& column) { return IsSummed(section, column.field); }) > 2;
}

const QString PartLines = QStringLiteral("\nvgl.\nverschil\n%");

/// The file's columns, a narrow column naming the lines before the first figure, every figure
/// wrapped onto its lines.
std::vector<TReportColumn> StackedColumns(const TReportSection& section) {
    std::vector<TReportColumn> columns;
    bool named = false;
    for (TReportColumn column : section.columns) {
        if (IsSummed(section, column.field)) {
            if (!named) {
                columns.push_back({QString(), QString(), 13, Qt::AlignLeft, true, QString()});
                named = true;
            }
            column.wrap = true;
            column.align = Qt::AlignRight;
        }
        columns.push_back(column);
    }
    return columns;
}

/// The compared rows with the four parts of every figure on four lines, and the totals as a last row
/// of the same shape (a totals line has one line only).
void FillStackedRows(TReportSectionData& data, TVornClientDataSet& dataSet, const TReportSection& section,
                     const std::vector<double>& otherSums, const TReportFile& file) {
    struct Source {
        std::vector<TField*> parts; // the four parts of a figure; one field for a label
        const TReportColumn* column = nullptr;
    };
    std::vector<Source> sources;
    for (const TReportColumn& column : data.columns) {
        Source source;
        source.column = &column;
        if (column.field.isEmpty()) {
            sources.push_back(source);
            continue;
        }
        if (IsSummed(section, column.field)) {
            for (const TComparedPart part : {TComparedPart::Current, TComparedPart::Other,
                                             TComparedPart::Difference, TComparedPart::Change})
                source.parts.push_back(
                    &FieldOf(dataSet, ComparedFieldName(column.field, part), section.source.provider, file));
        } else {
            source.parts.push_back(&FieldOf(dataSet, column.field, section.source.provider, file));
        }
        sources.push_back(source);
    }
    data.columnCount = static_cast<int>(sources.size());
    std::vector<double> sums(sources.size(), 0.0);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        for (std::size_t c = 0; c < sources.size(); ++c) {
            const Source& source = sources[c];
            if (source.parts.empty()) {
                data.cells.push_back(PartLines);
                continue;
            }
            QStringList lines;
            for (TField* part : source.parts)
                lines << CellText(*part, *source.column);
            data.cells.push_back(lines.join(u'\n'));
            if (source.parts.size() == 4 && !source.parts.front()->IsNull())
                sums[c] += source.parts.front()->AsFloat();
        }
        ++data.rowCount;
    }
    if (!section.totals)
        return;
    bool captioned = false;
    std::size_t fileColumn = 0;
    for (std::size_t c = 0; c < sources.size(); ++c) {
        const Source& source = sources[c];
        if (source.parts.empty()) {
            data.cells.push_back(PartLines);
            continue;
        }
        const double other = otherSums[fileColumn++];
        if (source.parts.size() == 4) {
            const QString format = TotalFormat(*source.column);
            data.cells.push_back(QStringList{FormatNumber(sums[c], format), FormatNumber(other, format),
                                             FormatNumber(sums[c] - other, format),
                                             ChangeText(sums[c], other)}
                                     .join(u'\n'));
        } else {
            data.cells.push_back(captioned ? QString() : section.totals->caption);
            captioned = true;
        }
    }
    ++data.rowCount;
}

/// The section's bar chart; in a comparison each bar paired with the other side's.
void AddChart(TReportSectionData& data, TVornClientDataSet& dataSet, const TReportSection& section,
              const std::optional<TReportComparison>& comparison, const TPlaceholders& values,
              const TReportFile& file) {
    data.hasChart = true;
    data.chart.SetCaption(Substitute(section.chart->title, values, file.name));
    data.chart.SetShowCaption(!section.chart->title.isEmpty());
    std::vector<TField*> labels;
    for (const QString& name : SplitFieldList(section.chart->labelField))
        labels.push_back(&FieldOf(dataSet, name, section.source.provider, file));
    TField& value = FieldOf(dataSet, section.chart->valueField, section.source.provider, file);
    TField* otherValue = nullptr;
    if (comparison) {
        otherValue = &FieldOf(dataSet, ComparedFieldName(section.chart->valueField, TComparedPart::Other),
                              section.source.provider, file);
        data.chart.SetSeries(
            {{comparison->currentName, SeriesColour(0)}, {comparison->otherName, SeriesColour(1)}},
            TBarStacking::Clustered);
    }
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        QStringList parts;
        for (TField* label : labels)
            parts << label->AsString();
        if (otherValue != nullptr)
            data.chart.AddGroup(parts.join(u' '), {static_cast<int>(value.AsInteger()),
                                                   static_cast<int>(otherValue->AsInteger())});
        else
            data.chart.AddBar(parts.join(u' '), static_cast<int>(value.AsInteger()), clBlue);
    }
}

TReportSectionData ReadSection(const TReportSection& section, const TPlaceholders& values,
                               const std::optional<TReportComparison>& comparison, const TReportFile& file,
                               IProviderBroker* broker) {
    TVornClientDataSet dataSet(QStringLiteral("rapport-sectie"), broker);
    OpenSource(dataSet, section.source, values, file);
    TReportSectionData data;
    data.caption = Substitute(section.caption, values, file.name);
    if (!comparison) {
        data.columns = section.columns;
        FillRows(data, dataSet, section, nullptr, file);
    } else {
        const std::vector<double> otherSums = CompareWithOther(dataSet, section, *comparison, file, broker);
        if (StacksComparison(section)) {
            data.columns = StackedColumns(section);
            FillStackedRows(data, dataSet, section, otherSums, file);
        } else {
            data.columns = ComparedColumns(section);
            FillRows(data, dataSet, section, &otherSums, file);
        }
    }
    if (section.chart)
        AddChart(data, dataSet, section, comparison, values, file);
    return data;
}

} // namespace

TPlaceholders PlaceholdersOf(const QStringList& printParams, const QDateTime& printedAt) {
    TPlaceholders values;
    for (const QString& entry : printParams) {
        const qsizetype equals = entry.indexOf(u'=');
        if (equals > 0)
            values.insert(entry.left(equals).trimmed().toUpper(), entry.mid(equals + 1));
    }
    values.insert(QStringLiteral("AFDRUKDATUM"), QLocale().toString(printedAt, QLocale::ShortFormat));
    return values;
}

QString Substitute(const QString& text, const TPlaceholders& values, const QString& fileName) {
    static const QRegularExpression placeholder(QStringLiteral("\\{([A-Za-z_][A-Za-z0-9_]*)\\}"));
    QString result;
    qsizetype from = 0;
    for (auto it = placeholder.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const auto value = values.constFind(match.captured(1).toUpper());
        if (value == values.constEnd())
            throw EReportError(QStringLiteral("Rapportbestand \"%1\": onbekende plaatshouder {%2}")
                                   .arg(fileName, match.captured(1)));
        result += QStringView(text).mid(from, match.capturedStart() - from);
        result += *value;
        from = match.capturedEnd();
    }
    result += QStringView(text).mid(from);
    return result;
}

QString FormatNumber(double value, const QString& format) {
    const qsizetype point = format.indexOf(u'.');
    const int decimals = point < 0 ? 0 : static_cast<int>(format.size() - point - 1);
    QLocale locale;
    if (!format.startsWith(QStringLiteral("#,")))
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // A negative zero after rounding prints as 0.
    const double shown = std::abs(value) < 0.5 * std::pow(10.0, -decimals) ? 0.0 : value;
    return locale.toString(shown, 'f', decimals);
}

TReportData ReadReportData(const TReportFile& file, const QStringList& printParams,
                           const QDateTime& printedAt, IProviderBroker* broker) {
    TPlaceholders values = PlaceholdersOf(printParams, printedAt);
    for (const TReportLookup& lookup : file.lookups)
        AddLookup(values, lookup, file, broker);
    TReportData data;
    data.title = Substitute(file.title, values, file.name);
    for (const QString& line : file.header)
        data.header << Substitute(line, values, file.name);
    data.printedAt = values.value(QStringLiteral("AFDRUKDATUM"));
    const std::optional<TReportComparison> comparison = ComparisonOf(values);
    if (comparison && values.contains(QStringLiteral("VERGELIJKING")))
        data.header << values.value(QStringLiteral("VERGELIJKING"));
    for (const TReportSection& section : file.sections)
        data.sections.push_back(ReadSection(section, values, comparison, file, broker));
    return data;
}

} // namespace vorn
