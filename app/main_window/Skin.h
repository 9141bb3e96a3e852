#pragma once

#include <QIcon>
#include <QList>
#include <QPixmap>

// Indexes of the button pictures in Skin::Image1.
enum SkinPicture : int
{
    BaseDeDatosNormal = 0,
    BaseDeDatosResaltado = 1,
    ManualNormal = 2,
    ManualResaltado = 3,
    LlamanteNormal = 4,
    LlamanteResaltado = 5,
    PostItNormal = 6,
    PostItResaltado = 7,
    EncendidoActivado = 8,
    EncendidoDesactivado = 9,
    MenuNormal = 10,
    MenuResaltado = 11,
    AyudaNormal = 12,
    AyudaResaltado = 13,
    MinNormal = 14,
    MinResaltado = 15,
};

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
