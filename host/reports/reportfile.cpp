#include "reportfile.h"

#include "host/data/installpaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>

namespace vorn {

namespace {

constexpr int FormatVersion = 1;

/// Reads one report file, raising with the file's name and the place of the fault.
class Reader {
public:
    explicit Reader(QString name) : name_(std::move(name)) {}

    [[noreturn]] void fail(const QString& what) const {
        throw EReportError(QStringLiteral("Rapportbestand \"%1\": %2").arg(name_, what));
    }

    QJsonObject object(const QJsonValue& value, const QString& where) const {
        if (!value.isObject())
            fail(QStringLiteral("%1 moet een object zijn").arg(where));
        return value.toObject();
    }

    QJsonArray array(const QJsonObject& object, const QString& key, const QString& where,
                     bool required = false) const {
        const QJsonValue value = object.value(key);
        if (value.isUndefined() && !required)
            return {};
        if (!value.isArray())
            fail(QStringLiteral("%1: \"%2\" moet een lijst zijn").arg(where, key));
        return value.toArray();
    }

    QString text(const QJsonObject& object, const QString& key, const QString& where, bool required = false,
                 const QString& fallback = {}) const {
        const QJsonValue value = object.value(key);
        if (value.isUndefined()) {
            if (required)
                fail(QStringLiteral("%1: \"%2\" ontbreekt").arg(where, key));
            return fallback;
        }
        if (!value.isString())
            fail(QStringLiteral("%1: \"%2\" moet een tekst zijn").arg(where, key));
        return value.toString();
    }

    double number(const QJsonObject& object, const QString& key, const QString& where, double fallback,
                  double lowest, double highest) const {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return fallback;
        if (!value.isDouble() || value.toDouble() < lowest || value.toDouble() > highest)
            fail(QStringLiteral("%1: \"%2\" moet een getal van %3 tot %4 zijn")
                     .arg(where, key, QString::number(lowest), QString::number(highest)));
        return value.toDouble();
    }

    QStringList texts(const QJsonObject& object, const QString& key, const QString& where) const {
        QStringList result;
        for (const auto& value : array(object, key, where)) {
            if (!value.isString())
                fail(QStringLiteral("%1: \"%2\" mag alleen teksten bevatten").arg(where, key));
            result << value.toString();
        }
        return result;
    }

    /// Refuses keys the format does not know, so that a typing error is not silently ignored.
    void onlyKeys(const QJsonObject& object, const QStringList& known, const QString& where) const {
        for (const QString& key : object.keys())
            if (!known.contains(key))
                fail(QStringLiteral("%1: onbekende sleutel \"%2\" (toegelaten: %3)")
                         .arg(where, key, known.join(QStringLiteral(", "))));
    }

    TReportPage page(const QJsonObject& object) const {
        const QString where = QStringLiteral("\"page\"");
        onlyKeys(object, {"size", "orientation", "margins"}, where);
        TReportPage page;
        const QString size = text(object, "size", where, false, "A4");
        static const QList<QPair<QString, QPageSize::PageSizeId>> sizes{{"A3", QPageSize::A3},
                                                                        {"A4", QPageSize::A4},
                                                                        {"A5", QPageSize::A5},
                                                                        {"Letter", QPageSize::Letter}};
        bool known = false;
        for (const auto& [sizeName, id] : sizes)
            if (size.compare(sizeName, Qt::CaseInsensitive) == 0) {
                page.size = id;
                known = true;
            }
        if (!known)
            fail(QStringLiteral("%1: onbekend papierformaat \"%2\" (A3, A4, A5 of Letter)").arg(where, size));
        const QString orientation = text(object, "orientation", where, false, "portrait");
        if (orientation == QStringLiteral("landscape"))
            page.orientation = QPageLayout::Landscape;
        else if (orientation != QStringLiteral("portrait"))
            fail(QStringLiteral("%1: \"orientation\" is \"portrait\" of \"landscape\"").arg(where));
        if (object.contains("margins")) {
            const QJsonObject margins = this->object(object.value("margins"), where + " \"margins\"");
            const QString at = where + QStringLiteral(" \"margins\"");
            onlyKeys(margins, {"left", "top", "right", "bottom"}, at);
            page.marginsMm =
                QMarginsF(number(margins, "left", at, 15, 0, 80), number(margins, "top", at, 15, 0, 80),
                          number(margins, "right", at, 15, 0, 80), number(margins, "bottom", at, 15, 0, 80));
        }
        return page;
    }

    TFieldType paramType(const QString& type, const QString& where) const {
        if (type == QStringLiteral("integer"))
            return TFieldType::Integer;
        if (type == QStringLiteral("date"))
            return TFieldType::DateTime;
        if (type == QStringLiteral("text"))
            return TFieldType::WideString;
        fail(QStringLiteral("%1: onbekend parametertype \"%2\" (integer, date of text)").arg(where, type));
    }

    TReportSource source(const QJsonObject& object, const QString& where) const {
        TReportSource source;
        const QString jobTable = text(object, "jobTable", where);
        source.provider = text(object, "provider", where);
        if (jobTable.isEmpty() == source.provider.isEmpty())
            fail(QStringLiteral("%1: geef \"provider\" of \"jobTable\" (precies één van beide)").arg(where));
        if (!jobTable.isEmpty()) {
            // A job table is read for the job of the print: its one parameter is the job id.
            source.provider = jobTable;
            source.params.push_back(
                {QStringLiteral("JobID"), QStringLiteral("{JobID}"), TFieldType::Integer});
        }
        const QJsonValue params = object.value("params");
        if (!params.isUndefined()) {
            const QJsonObject list = this->object(params, where + QStringLiteral(" \"params\""));
            for (auto it = list.begin(); it != list.end(); ++it) {
                const QString at = QStringLiteral("%1 parameter \"%2\"").arg(where, it.key());
                const QJsonObject param = this->object(it.value(), at);
                onlyKeys(param, {"value", "type"}, at);
                source.params.push_back({it.key(), text(param, "value", at, true),
                                         paramType(text(param, "type", at, false, "text"), at)});
            }
        }
        for (QString field : texts(object, "order", where)) {
            if (field.startsWith(u'-')) {
                field.remove(0, 1);
                source.orderDesc << field;
            }
            source.order << field;
        }
        return source;
    }

    Qt::Alignment alignment(const QString& align, const QString& where) const {
        if (align == QStringLiteral("left"))
            return Qt::AlignLeft;
        if (align == QStringLiteral("right"))
            return Qt::AlignRight;
        if (align == QStringLiteral("center"))
            return Qt::AlignHCenter;
        fail(QStringLiteral("%1: \"align\" is \"left\", \"right\" of \"center\"").arg(where));
    }

    TReportColumn column(const QJsonObject& object, const QString& where) const {
        onlyKeys(object, {"field", "caption", "width", "align", "overflow", "format"}, where);
        TReportColumn column;
        column.field = text(object, "field", where, true);
        column.caption = text(object, "caption", where, false, column.field);
        column.widthMm = number(object, "width", where, 20, 2, 400);
        column.align = alignment(text(object, "align", where, false, "left"), where);
        const QString overflow = text(object, "overflow", where, false, "elide");
        if (overflow != QStringLiteral("elide") && overflow != QStringLiteral("wrap"))
            fail(QStringLiteral("%1: \"overflow\" is \"elide\" of \"wrap\"").arg(where));
        column.wrap = overflow == QStringLiteral("wrap");
        column.format = text(object, "format", where);
        // At most six decimals: a figure of a school has no more, and a thousand zeros would only
        // make every number as wide as the page.
        static const QRegularExpression numberFormat(QStringLiteral("^(0|#,##0)(\\.0{1,6})?$"));
        if (!column.format.isEmpty() && !numberFormat.match(column.format).hasMatch())
            fail(
                QStringLiteral("%1: getalnotatie \"%2\" wordt niet ondersteund (0, #,##0, 0.0, #,##0.00, ... "
                               "tot zes decimalen)")
                    .arg(where, column.format.left(40)));
        return column;
    }

    static bool isColumn(const TReportSection& section, const QString& field) {
        return std::any_of(section.columns.begin(), section.columns.end(), [&](const TReportColumn& column) {
            return column.field.compare(field, Qt::CaseInsensitive) == 0;
        });
    }

    TReportSection section(const QJsonObject& object, int number) const {
        const QString where = QStringLiteral("sectie %1").arg(number);
        onlyKeys(object,
                 {"caption", "provider", "jobTable", "params", "order", "columns", "totals", "chart", "match",
                  "withinSchoolYear"},
                 where);
        TReportSection section;
        section.caption = text(object, "caption", where);
        section.source = source(object, where);
        const QJsonArray columns = array(object, "columns", where, true);
        if (columns.isEmpty())
            fail(QStringLiteral("%1 heeft geen kolommen").arg(where));
        for (int i = 0; i < columns.size(); ++i) {
            const QString at = QStringLiteral("%1, kolom %2").arg(where).arg(i + 1);
            section.columns.push_back(column(this->object(columns[i], at), at));
        }
        if (object.contains("totals")) {
            const QString at = where + QStringLiteral(" \"totals\"");
            const QJsonObject totals = this->object(object.value("totals"), at);
            onlyKeys(totals, {"caption", "sum"}, at);
            section.totals = TReportTotals{text(totals, "caption", at, false, QStringLiteral("Totaal")),
                                           texts(totals, "sum", at)};
            for (const QString& field : section.totals->sums)
                if (!isColumn(section, field))
                    fail(QStringLiteral("%1: \"%2\" is geen kolom van de sectie").arg(at, field));
        }
        section.matchFields = texts(object, "match", where);
        for (const QString& field : section.matchFields)
            if (!isColumn(section, field))
                fail(QStringLiteral("%1 \"match\": \"%2\" is geen kolom van de sectie").arg(where, field));
        const QJsonValue within = object.value("withinSchoolYear");
        if (!within.isUndefined() && !within.isBool())
            fail(QStringLiteral("%1: \"withinSchoolYear\" is true of false").arg(where));
        section.withinSchoolYear = within.toBool(false);
        if (object.contains("chart")) {
            const QString at = where + QStringLiteral(" \"chart\"");
            const QJsonObject chart = this->object(object.value("chart"), at);
            onlyKeys(chart, {"title", "label", "value"}, at);
            section.chart = TReportChart{text(chart, "title", at), text(chart, "label", at, true),
                                         text(chart, "value", at, true)};
        }
        return section;
    }

    TReportLookup lookup(const QJsonObject& object, int number) const {
        const QString where = QStringLiteral("opzoeking %1").arg(number);
        onlyKeys(object, {"provider", "params", "key", "value"}, where);
        return TReportLookup{source(object, where), text(object, "key", where, true),
                             text(object, "value", where, true)};
    }

private:
    QString name_;
};

int LineOf(const QByteArray& text, int offset) {
    return static_cast<int>(text.left(offset).count('\n')) + 1;
}

} // namespace

QPageLayout TReportPage::ToLayout() const {
    return QPageLayout(QPageSize(size), orientation, marginsMm, QPageLayout::Millimeter);
}

TReportFile ParseReportFile(const QByteArray& text, const QString& name) {
    const Reader reader(name);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        reader.fail(QStringLiteral("geen geldige JSON op regel %1 (%2)")
                        .arg(LineOf(text, error.offset))
                        .arg(error.errorString()));
    if (!document.isObject())
        reader.fail(QStringLiteral("het bestand moet één JSON-object zijn"));
    const QJsonObject root = document.object();
    reader.onlyKeys(root, {"format", "version", "title", "page", "font", "header", "lookups", "sections"},
                    QStringLiteral("het bestand"));
    if (reader.text(root, "format", "het bestand", true) != QStringLiteral("vorn-report"))
        reader.fail(QStringLiteral("\"format\" moet \"vorn-report\" zijn"));
    const double version = reader.number(root, "version", "het bestand", -1, 1, 1000);
    if (version != FormatVersion)
        reader.fail(QStringLiteral("versie %1 wordt niet ondersteund (dit programma leest versie %2)")
                        .arg(version)
                        .arg(FormatVersion));
    TReportFile file;
    file.name = name;
    file.title = reader.text(root, "title", "het bestand", true);
    if (root.contains("page"))
        file.page = reader.page(reader.object(root.value("page"), QStringLiteral("\"page\"")));
    if (root.contains("font")) {
        const QJsonObject font = reader.object(root.value("font"), QStringLiteral("\"font\""));
        reader.onlyKeys(font, {"family", "size"}, QStringLiteral("\"font\""));
        file.fontFamily = reader.text(font, "family", "\"font\"", false, file.fontFamily);
        file.fontSize = static_cast<int>(reader.number(font, "size", "\"font\"", file.fontSize, 5, 24));
    }
    file.header = reader.texts(root, "header", QStringLiteral("het bestand"));
    const QJsonArray lookups = reader.array(root, "lookups", QStringLiteral("het bestand"));
    for (int i = 0; i < lookups.size(); ++i)
        file.lookups.push_back(
            reader.lookup(reader.object(lookups[i], QStringLiteral("opzoeking %1").arg(i + 1)), i + 1));
    const QJsonArray sections = reader.array(root, "sections", QStringLiteral("het bestand"), true);
    if (sections.isEmpty())
        reader.fail(QStringLiteral("het rapport heeft geen secties"));
    for (int i = 0; i < sections.size(); ++i)
        file.sections.push_back(
            reader.section(reader.object(sections[i], QStringLiteral("sectie %1").arg(i + 1)), i + 1));
    return file;
}

TReportFile LoadReportFile(const QString& path) {
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly))
        throw EReportError(QStringLiteral("Rapportbestand \"%1\" kan niet gelezen worden: %2")
                               .arg(QDir::toNativeSeparators(path), file.errorString()));
    constexpr qint64 MostBytes = 4 * 1024 * 1024;
    if (file.size() > MostBytes)
        throw EReportError(QStringLiteral("Rapportbestand \"%1\" is te groot (meer dan 4 MB)").arg(name));
    return ParseReportFile(file.readAll(), name);
}

QStringList ReportFolders() {
    QStringList folders;
    for (const QString& folder : qEnvironmentVariable("VORN_REPORT_PATH").split(u':', Qt::SkipEmptyParts))
        folders << folder;
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty())
        folders << programFolder << QDir(programFolder).filePath(QStringLiteral("reports"));
    const QString dataFolder = ProgramDataFolder();
    if (!dataFolder.isEmpty())
        folders << QDir(dataFolder).filePath(QStringLiteral("reports"));
    return folders;
}

QString FindReportFile(const QString& fileName) {
    if (fileName.isEmpty() || fileName.contains(u'/') || fileName.contains(u'\\'))
        throw EReportError(QStringLiteral("Ongeldige naam van een rapportbestand: \"%1\"").arg(fileName));
    const QStringList folders = ReportFolders();
    for (const QString& folder : folders) {
        QString path = QDir(folder).filePath(fileName);
        if (QFileInfo(path).isFile())
            return path;
    }
    QStringList shown;
    for (const QString& folder : folders)
        shown << QDir::toNativeSeparators(folder);
    throw EReportError(QStringLiteral("Rapportbestand \"%1\" niet gevonden; gezocht in: %2")
                           .arg(fileName, shown.join(QStringLiteral(", "))));
}

} // namespace vorn
