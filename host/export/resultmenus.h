#pragma once

namespace vorn {

class TVornDBForm;

/// Gives every grid and chart of a screen its context menu: a grid copies its selection, selects all
/// and exports itself to Excel or CSV; a chart copies itself as a picture or is saved as PNG, SVG or
/// PDF under the screen's heading.
void AttachResultMenus(TVornDBForm& screen);

} // namespace vorn
