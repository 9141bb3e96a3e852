#include "Skin.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

#include <array>

namespace {

QPixmap renderSvg(const QString& resourcePath, qreal devicePixelRatio)
{
    QSvgRenderer renderer(resourcePath);
    if (!renderer.isValid())
        return {};
    const QSize logicalSize = renderer.defaultSize();
    QPixmap pixmap(logicalSize * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(logicalSize)));
    return pixmap;
}

QPixmap renderSvgAtSize(const QString& resourcePath, int side)
{
    QSvgRenderer renderer(resourcePath);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(0, 0, side, side));
    return pixmap;
}

QString skinPath(const char* name)
{
    return QStringLiteral(":/skin/") + QLatin1String(name) + QStringLiteral(".svg");
}

} // namespace

// Resources of a static library are registered explicitly; the name is the .qrc's.
static void initSkinResource()
{
    Q_INIT_RESOURCE(skin);
}

Skin Skin::load()
{
    initSkinResource();
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;

    static constexpr std::array<const char*, pictureCount> pictureNames = {
        "registro-normal",    "registro-resaltado",    "manual-normal",    "manual-resaltado",
        "llamante-normal",    "llamante-resaltado",    "nota-normal",      "nota-resaltado",
        "encendido-activado", "encendido-desactivado", "menu-normal",      "menu-resaltado",
        "ayuda-normal",       "ayuda-resaltado",       "minimizar-normal", "minimizar-resaltado",
    };

    Skin skin;
    skin.background = renderSvg(skinPath("background"), ratio);
    skin.titleBar = renderSvg(skinPath("titlebar"), ratio);
    skin.Image1.reserve(pictureCount);
    for (const char* name : pictureNames)
        skin.Image1.append(renderSvg(skinPath(name), ratio));
    for (const int size : {16, 22, 24, 32, 48, 64, 128})
        skin.icon.addPixmap(renderSvgAtSize(skinPath("icon"), size));
    return skin;
}
