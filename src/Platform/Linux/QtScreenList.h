#pragma once

#include "Platform/ScreenList.h"

// The screens Qt knows (RandR monitors on X11), in native pixels, so that they compare with
// window geometry from the X server also under Qt's high-DPI scaling. Needs a QGuiApplication;
// main thread only.
class QtScreenList final : public ScreenList {
public:
    QList<QRect> screenFrames() const override;
};
