#pragma once

#include "vornform.h"

#include "host/controls/dbgrid.h"
#include "host/data/clientdataset.h"

namespace vorn {

/// The host's institution browse screen: a grid over the institutions with links to detail screens.
/// Screens derived from it change the caption, the provider, the links and the default link.
class TBrowseInstellingenForm : public TVornDBForm {
    Q_OBJECT
public:
    explicit TBrowseInstellingenForm(QWidget* parent = nullptr);

    TVornDBgrid* GBrowseInstelling;
    TVornClientDataSet CDSBrowseInstelling{QStringLiteral("CDSBrowseInstelling")};
    TVornDatasource* DSBrowseInstelling;

    /// Adds a link to a detail screen with this screen's list as its master.
    void AddFormLink(const QString& detailForm, const QString& displayName);
};

} // namespace vorn
