// Report files: whatever a file holds, reading it gives a report or a message naming the file,
// never a crash; what a read file holds can be laid out (page, placeholders, number formats).
#include "host/reports/reportfile.h"

#include <QByteArray>
#include <QRegularExpression>
#include <cstddef>
#include <cstdint>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const TReportFile file = ParseReportFile(text, QStringLiteral("fuzz.arf"));
        const QPageLayout layout = file.page.ToLayout();
        if (!layout.isValid() || file.sections.empty() || file.title.isNull())
            __builtin_trap();
        for (const TReportSection& section : file.sections)
            if (section.columns.empty() || section.source.provider.isEmpty())
                __builtin_trap();
    } catch (const EReportError& error) {
        if (!error.message().startsWith(QStringLiteral("Rapportbestand \"fuzz.arf\": ")))
            __builtin_trap();
    }
    return 0;
}
