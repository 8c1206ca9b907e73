// Parameter values typed on the command line or read from a settings file become the stored value
// of a field: every text either fits the field's type or is refused with a message.
#include "host/data/cell.h"
#include "host/data/errors.h"

#include <cstddef>
#include <cstdint>

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    static const FieldDef fields[] = {FieldDef::integer("I"),        FieldDef::largeint("L"),
                                      FieldDef::decimal("D", 18, 3), FieldDef::floating("F"),
                                      FieldDef::date("DT"),          FieldDef::dateTime("TS"),
                                      FieldDef::wideString("S", 10), FieldDef::smallint("SI")};
    const FieldDef& def = fields[data[0] % (sizeof(fields) / sizeof(fields[0]))];
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    try {
        const Cell cell = ToCell(def, QVariant(text));
        // What was stored reads back as the field's own type.
        const QVariant back = FromCell(def, cell);
        if (!IsNullCell(cell) && !back.isValid())
            __builtin_trap();
    } catch (const EVornError&) {
    }
    return 0;
}
