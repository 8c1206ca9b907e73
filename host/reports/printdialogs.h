#pragma once

#include "printsequence.h"

class QWidget;

namespace vorn {

/// Sends a report to a printer through the print dialog, or shows it in the print preview (zoom,
/// page navigation, page set-up, printing from the preview). The page set-up the user chooses is
/// remembered per report file.
class TPrinterReportOutput : public IReportOutput {
public:
    enum class Mode { Print, Preview };
    TPrinterReportOutput(Mode mode, QWidget* parent, TVornIniFile* settings)
        : mode_(mode), parent_(parent), settings_(settings) {}
    bool Send(const TReportFile& file, const TReportData& data) override;

private:
    bool print(const TReportFile& file, const TReportData& data);
    bool preview(const TReportFile& file, const TReportData& data);

    Mode mode_;
    QWidget* parent_;
    TVornIniFile* settings_;
};

} // namespace vorn
