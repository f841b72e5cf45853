#pragma once

#include <QHash>
#include <QIcon>
#include <QStringList>

// Turns the Icon= value of a desktop entry into an icon: an absolute path is loaded as it
// stands, anything else is looked up in the icon theme, then as a file in the pixmap folders;
// what finds nothing gets the generic application icon. Results are kept, so a list asks once
// per name. Main thread (QIcon).
class ApplicationIconLoader {
public:
    // `pixmapDirs`: the folders holding loose icons (/usr/share/pixmaps and the like).
    explicit ApplicationIconLoader(QStringList pixmapDirs = {});

    QIcon icon(const QString& iconName);
    // The theme's executable icon, else the "app" symbol.
    static QIcon genericIcon();

private:
    QIcon resolve(const QString& iconName) const;

    QStringList m_pixmapDirs;
    QHash<QString, QIcon> m_cache;
};
