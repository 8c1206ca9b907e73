#include "printsequence.h"

#include "gridreport.h"
#include "reportlayout.h"

#include "host/data/clientdataset.h"
#include "host/data/datasource.h"
#include "host/data/inifile.h"
#include "host/forms/hostservices.h"
#include "host/forms/outputcontext.h"
#include "host/forms/screenresults.h"
#include "host/forms/vornform.h"

#include <QDateTime>
#include <array>
#include <optional>

namespace vorn {

namespace {

const QString PageSection = QStringLiteral("Afdrukinstellingen");

const TReportDef& ReportDefOf(const TVornDBForm& form, const QString& reportName) {
    for (const TReportDef& def : form.ReportDefs)
        if (def.DisplayName == reportName)
            return def;
    RaiseClientError("Het scherm heeft geen rapport \"%s\"", reportName);
}

/// Sends the pending edits of the screen's main data, so that the report reads what the user sees.
/// Other datasets are the screen's own business (a print table keeps a failed print's rows until
/// it is opened again).
void SavePendingChanges(TVornDBForm& form) {
    TVornClientDataSet* main = form.MainDataSource != nullptr ? form.MainDataSource->DataSet() : nullptr;
    if (main != nullptr && main->Active() && !main->ProviderName().isEmpty() && main->ChangeCount() > 0)
        main->ApplyUpdates(0);
}

QPageSize::PageSizeId PageSizeOf(const QString& key) {
    for (const QPageSize::PageSizeId id :
         {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::Letter, QPageSize::Legal, QPageSize::B5})
        if (QPageSize::key(id) == key)
            return id;
    return QPageSize::Custom;
}

} // namespace

QPageLayout PageLayoutFor(const TReportFile& file, const TVornIniFile* settings) {
    const QPageLayout fromFile = file.page.ToLayout();
    if (settings == nullptr)
        return fromFile;
    // "A4;landscape;left;top;right;bottom" in millimetres.
    const QStringList parts = settings->ReadString(PageSection, file.name, {}).split(u';');
    if (parts.size() != 6)
        return fromFile;
    const QPageSize::PageSizeId size = PageSizeOf(parts[0]);
    std::array<double, 4> margins{};
    for (std::size_t i = 0; i < margins.size(); ++i) {
        bool ok = false;
        margins[i] = parts[static_cast<qsizetype>(i) + 2].toDouble(&ok);
        if (!ok || margins[i] < 0 || margins[i] > 80)
            return fromFile;
    }
    if (size == QPageSize::Custom ||
        (parts[1] != QStringLiteral("landscape") && parts[1] != QStringLiteral("portrait")))
        return fromFile;
    return QPageLayout(QPageSize(size),
                       parts[1] == QStringLiteral("landscape") ? QPageLayout::Landscape
                                                               : QPageLayout::Portrait,
                       QMarginsF(margins[0], margins[1], margins[2], margins[3]), QPageLayout::Millimeter);
}

void RememberPageLayout(TVornIniFile* settings, const TReportFile& file, const QPageLayout& layout) {
    if (settings == nullptr || PageSizeOf(layout.pageSize().key()) == QPageSize::Custom)
        return;
    const QMarginsF margins = layout.margins(QPageLayout::Millimeter);
    QStringList parts{layout.pageSize().key(), layout.orientation() == QPageLayout::Landscape
                                                   ? QStringLiteral("landscape")
                                                   : QStringLiteral("portrait")};
    for (const double margin : {margins.left(), margins.top(), margins.right(), margins.bottom()})
        parts << QString::number(margin, 'f', 1);
    settings->WriteString(PageSection, file.name, parts.join(u';'));
}

bool TPdfReportOutput::Send(const TReportFile& file, const TReportData& data) {
    const TReportDocument document(file, data, PageLayoutFor(file, settings_));
    WriteReportPdf(document, path_);
    return true;
}

namespace {

bool PrintShownGrids(TVornDBForm& form, IReportOutput& output) {
    const IScreenResults* results = form.Results();
    if (results == nullptr)
        RaiseClientError("Dit scherm kan zijn tabellen niet afdrukken");
    TShownReport report;
    {
        BusyScope busy(QStringLiteral("Verloop wordt opgemaakt"));
        report = ShownGridsReport(*results, QStringLiteral("%1: verloop").arg(results->Heading().screen));
        if (IsDateSet(Host().WerkDatum()))
            report.data.workDate = DateTimeToDate(Host().WerkDatum()).toString(QStringLiteral("dd/MM/yyyy"));
    }
    return output.Send(report.file, report.data);
}

} // namespace

bool RunPrint(TVornDBForm& form, const QString& reportName, IReportOutput& output) {
    const TReportDef& def = ReportDefOf(form, reportName);
    if (form.PrintsShownGrids && form.PrintsShownGrids())
        return PrintShownGrids(form, output);
    if (form.SaveOnPrint)
        SavePendingChanges(form);
    // A report file that is missing or broken stops the print before the screen writes anything.
    std::optional<TReportFile> file;
    if (!def.FileName.isEmpty())
        file = LoadReportFile(FindReportFile(def.FileName));
    bool goOn = true;
    if (form.OnBeforePrint)
        form.OnBeforePrint(&form, reportName, goOn);
    if (!goOn)
        return false;
    QStringList params;
    bool sent = false;
    try {
        if (form.OnGetPrintParams)
            form.OnGetPrintParams(&form, reportName, params);
        if (!file)
            RaiseClientError("Het rapport \"%s\" heeft geen rapportbestand", reportName);
        TReportData data;
        {
            BusyScope busy(QStringLiteral("Rapport \"%1\" wordt opgemaakt").arg(reportName));
            data = ReadReportData(*file, params, OutputTime());
            if (IsDateSet(Host().WerkDatum()))
                data.workDate = DateTimeToDate(Host().WerkDatum()).toString(QStringLiteral("dd/MM/yyyy"));
        }
        sent = output.Send(*file, data);
    } catch (...) {
        // The screen cleans up after a failed print as after a good one; the first error is the one
        // the user needs to see.
        try {
            if (form.AfterPrint)
                form.AfterPrint(&form, reportName, params);
        } catch (...) {
        }
        throw;
    }
    if (form.AfterPrint)
        form.AfterPrint(&form, reportName, params);
    return sent;
}

} // namespace vorn
