#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

// The main window's artwork, drawn from the SVG sources in the skin resource.
struct Skin
{
    QPixmap background; // 322 x 311 px, the whole client area
    QPixmap titleBar;   // 316 x 22 px strip of the home-made title bar
    // The sixteen button pictures, by the index the buttons use: 0/1 administration,
    // 2/3 manual entry, 4/5 caller, 6/7 note, 8 switch on, 9 switch off, 10/11 menu,
    // 12/13 help, 14/15 hide; even = normal, odd = highlighted.
    QList<QPixmap> Image1;
    QIcon icon; // program, window and notification-area icon

    static constexpr int pictureCount = 16;

    [[nodiscard]] static Skin load();
};
