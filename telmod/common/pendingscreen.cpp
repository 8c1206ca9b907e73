#include "pendingscreen.h"

#include "host/data/clientdataset.h"

#include <QLabel>
#include <QVBoxLayout>

namespace telmod {

TPendingStatsForm::TPendingStatsForm(QWidget* parent) : TVornDBForm(parent), notice_(new QLabel(this)) {
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(notice_);
    OnSetMasterBrowser = [this](QObject*, QObject* master) {
        master_ = qobject_cast<vorn::TVornDatasource*>(master);
        showMaster();
    };
}

void TPendingStatsForm::Declare(const QString& caption, const QString& tabCaption, const QString& group,
                                const QString& browser, QSize size) {
    Caption = caption;
    TabCaption = tabCaption;
    Group = group;
    DefaultBrowserForm = browser;
    DesignSize = size;
    showMaster();
}

void TPendingStatsForm::RefuseEdits() {
    const auto refuse = [](vorn::TVornClientDataSet*, bool& allowed) { allowed = false; };
    OnCanEdit = refuse;
    OnCanInsert = refuse;
    OnCanDelete = refuse;
}

void TPendingStatsForm::showMaster() {
    QString institution;
    vorn::TVornClientDataSet* list = master_ != nullptr ? master_->DataSet() : nullptr;
    if (list != nullptr && list->Active() && list->RecNo() > 0)
        institution =
            QStringLiteral("%1 %2").arg(list->FieldByName(QStringLiteral("IS_CODE")).AsString(),
                                        list->FieldByName(QStringLiteral("IS_NAAMGEBRUIKER")).AsString());
    notice_->setText(QStringLiteral("<h3>%1</h3><p>%2</p><p>De statistieken van dit scherm volgen.</p>")
                         .arg(Caption.toHtmlEscaped(),
                              institution.isEmpty()
                                  ? QStringLiteral("Geen instelling gekozen.")
                                  : QStringLiteral("Instelling: %1").arg(institution.toHtmlEscaped())));
}

} // namespace telmod
