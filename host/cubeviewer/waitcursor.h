#pragma once

namespace vorn {

/// The wait cursor for as long as it lives: through the host's cursor stack when a host is
/// installed, else as the application's override cursor. Restored on every way out.
class TWaitCursor {
public:
    TWaitCursor();
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    bool throughHost_ = false;
};

} // namespace vorn
