#pragma once

#include <QString>

// The desktop's place for the user's note pages. The note dialog talks to this interface only;
// the program's own service shows each page as a small window on the desktop.
class DesktopItems
{
public:
    virtual ~DesktopItems() = default;

    enum class AddResult
    {
        Shown,
        NoDisplay,      // no screen to show it on
        PageUnreadable, // the page file is missing or cannot be read
    };

    // True once the desktop shows its items (the remembered ones included).
    [[nodiscard]] virtual bool isActive() const = 0;
    // Starts showing the items; false when the remembered list could not be read (the items
    // added from now on are shown all the same).
    virtual bool activate() = 0;
    // Puts the page on the desktop and remembers it. A page already there is shown again with
    // its current content.
    virtual AddResult addItem(const QString& pagePath) = 0;
};
