#include "Views/ApplicationIconLoader.h"

#include "Views/SymbolImage.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>

namespace {
const QStringList& imageSuffixes()
{
    static const QStringList suffixes{QStringLiteral("png"), QStringLiteral("svg"),
                                      QStringLiteral("xpm")};
    return suffixes;
}

// An icon made from a file, or nothing when the file is missing or not an image.
QIcon fileIcon(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return {};
    QIcon icon(path);
    return icon.availableSizes().isEmpty() && icon.pixmap(16, 16).isNull() ? QIcon() : icon;
}
} // namespace

ApplicationIconLoader::ApplicationIconLoader(QStringList pixmapDirs)
    : m_pixmapDirs(std::move(pixmapDirs))
{
}

QIcon ApplicationIconLoader::icon(const QString& iconName)
{
    const auto cached = m_cache.constFind(iconName);
    if (cached != m_cache.constEnd())
        return *cached;
    QIcon icon = resolve(iconName.trimmed());
    if (icon.isNull())
        icon = genericIcon();
    m_cache.insert(iconName, icon);
    return icon;
}

QIcon ApplicationIconLoader::resolve(const QString& iconName) const
{
    if (iconName.isEmpty())
        return {};
    if (QDir::isAbsolutePath(iconName))
        return fileIcon(iconName);
    // Names are not paths; one with a slash would escape the pixmap folders.
    if (iconName.contains(u'/'))
        return {};

    // Entries sometimes name the file ("foo.png") where a theme name belongs.
    const QString suffix = QFileInfo(iconName).suffix().toLower();
    const bool hasImageSuffix = imageSuffixes().contains(suffix);
    const QString themeName =
        hasImageSuffix ? iconName.left(iconName.size() - suffix.size() - 1) : iconName;
    if (QIcon::hasThemeIcon(themeName))
        return QIcon::fromTheme(themeName);

    for (const QString& dir : m_pixmapDirs) {
        if (hasImageSuffix) {
            if (QIcon icon = fileIcon(dir + u'/' + iconName); !icon.isNull())
                return icon;
            continue;
        }
        for (const QString& s : imageSuffixes()) {
            if (QIcon icon = fileIcon(dir + u'/' + iconName + u'.' + s); !icon.isNull())
                return icon;
        }
    }
    return {};
}

QIcon ApplicationIconLoader::genericIcon()
{
    if (QIcon::hasThemeIcon(QStringLiteral("application-x-executable")))
        return QIcon::fromTheme(QStringLiteral("application-x-executable"));
    const QColor color = QGuiApplication::palette().color(QPalette::WindowText);
    return SymbolImage::icon(QStringLiteral("app"), color, {16, 20, 32, 40});
}
