#pragma once

#include "reportdata.h"
#include "reportfile.h"

#include <QPageLayout>
#include <QString>

namespace vorn {

class TVornDBForm;
class TVornIniFile;

/// Where a report goes: a printer, a preview, a PDF file.
class IReportOutput {
public:
    virtual ~IReportOutput() = default;
    /// Lays the report out and sends it; false when the user cancelled (the print dialog).
    virtual bool Send(const TReportFile& file, const TReportData& data) = 0;
};

/// The page set-up of a report: the one the user chose last (remembered in the settings file per
/// report file), else the report file's own.
QPageLayout PageLayoutFor(const TReportFile& file, const TVornIniFile* settings);
void RememberPageLayout(TVornIniFile* settings, const TReportFile& file, const QPageLayout& layout);

/// Writes a report as a PDF file in the remembered page set-up.
class TPdfReportOutput : public IReportOutput {
public:
    TPdfReportOutput(QString path, const TVornIniFile* settings)
        : path_(std::move(path)), settings_(settings) {}
    bool Send(const TReportFile& file, const TReportData& data) override;

private:
    QString path_;
    const TVornIniFile* settings_;
};

/// The host's print sequence for one report of a screen: pending changes saved (SaveOnPrint), the
/// report file found and read, the screen's OnBeforePrint (which may stop it), OnGetPrintParams, the
/// report read and sent, and AfterPrint, which runs on every way out once OnBeforePrint said go on,
/// also when the report or the output fails. A report without a file is the screen's own business:
/// its OnBeforePrint prints it and stops the sequence. Raises what fails, after AfterPrint has run;
/// answers false when the screen or the user stopped the print.
bool RunPrint(TVornDBForm& form, const QString& reportName, IReportOutput& output);

} // namespace vorn
