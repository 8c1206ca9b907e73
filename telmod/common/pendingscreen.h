#pragma once

#include "host/forms/vornform.h"

class QLabel;

namespace telmod {

/// A statistics screen whose declarations (captions, group, default browse screen, size, reports)
/// are in place but whose controls are not built yet: it shows which institution it was opened for
/// and says that the statistics follow.
class TPendingStatsForm : public vorn::TVornDBForm {
    Q_OBJECT
public:
    explicit TPendingStatsForm(QWidget* parent = nullptr);

    /// The master browse list's data source handed over by the host.
    vorn::TVornDatasource* Master() const { return master_; }

protected:
    void Declare(const QString& caption, const QString& tabCaption, const QString& group,
                 const QString& browser, QSize size);
    /// Editing, inserting and deleting are refused (the participant screens are read-only).
    void RefuseEdits();

private:
    void showMaster();
    vorn::TVornDatasource* master_ = nullptr;
    QLabel* notice_;
};

} // namespace telmod
