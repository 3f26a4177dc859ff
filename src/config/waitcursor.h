#pragma once

// Shows the wait cursor while an exchange with a gateway blocks the window,
// and restores the cursor on every way out of the scope.
class WaitCursor
{
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};
