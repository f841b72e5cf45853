#pragma once

#include "Platform/InstalledApplications.h"

#include <memory>

class DesktopEntryCatalogue;

// The desktop-entry catalogue as a picker sees it: entries marked NoDisplay are left out (they
// are not meant for menus), the rest sorted by localized name, case and accents aside.
class DesktopEntryInstalledApplications final : public InstalledApplications {
public:
    explicit DesktopEntryInstalledApplications(
        std::shared_ptr<const DesktopEntryCatalogue> catalogue);

    QList<InstalledApplication> applications() const override;

private:
    std::shared_ptr<const DesktopEntryCatalogue> m_catalogue;
};
