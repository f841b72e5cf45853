#include "Platform/Linux/DesktopEntryInstalledApplications.h"

#include "Platform/Linux/DesktopEntryCatalogue.h"

#include <QCollator>
#include <algorithm>

DesktopEntryInstalledApplications::DesktopEntryInstalledApplications(
    std::shared_ptr<const DesktopEntryCatalogue> catalogue)
    : m_catalogue(std::move(catalogue))
{
}

QList<InstalledApplication> DesktopEntryInstalledApplications::applications() const
{
    QList<InstalledApplication> result;
    for (const DesktopEntry& entry : m_catalogue->entries()) {
        if (!entry.noDisplay)
            result.append({entry.id, entry.name, entry.icon});
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(result.begin(), result.end(),
                     [&collator](const InstalledApplication& a, const InstalledApplication& b) {
                         return collator.compare(a.name, b.name) < 0;
                     });
    return result;
}
