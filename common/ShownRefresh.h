// Refresh work that nobody can see is not done: a timer tick of a page that is not on the screen
// only notes that the page has fallen behind, and the page catches up at once when it is shown.
#pragma once

class CShownRefresh {
public:
    // A timer tick: true when the refresh is to run now.
    bool Tick(bool shown)
    {
        if (!shown)
            m_bBehind = true;
        return shown;
    }
    // The page has come into view: true when it missed a tick and must refresh at once.
    bool Shown() const { return m_bBehind; }
    // A refresh ran: the page is up to date.
    void Ran() { m_bBehind = false; }

private:
    bool m_bBehind = false;
};
