#pragma once

#include "host/controls/actions.h"
#include "host/controls/editors.h"

#include <QDialog>
#include <QStringList>

namespace telmod {

/// What the two regimes' statistic selection dialogs share: a fixed-size modal dialog with an
/// explanation, a radio group of the printable statistics (item 0 chosen), Cancel and OK.
class TSelectStatForm : public QDialog {
    Q_OBJECT
public:
    struct Design {
        QSize client;      // the dialog's client area
        QSize radioGroup;  // RGStats, at 39/56
        int buttonTop;     // top of BCancel and BOK
        QStringList items; // the statistics, in item order
    };

    vorn::TVornLabel* VornLabel1;
    vorn::TVornRadioGroup* RGStats;
    vorn::TVornButton* BCancel;
    vorn::TVornButton* BOK;

    /// The index of the chosen item; -1 when none is chosen.
    std::int32_t GetSel() const;
    void SetSel(std::int32_t index);

protected:
    TSelectStatForm(QWidget* owner, const Design& design);
};

} // namespace telmod
