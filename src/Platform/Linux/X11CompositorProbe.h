#pragma once

// Whether a compositing manager runs on the default X screen (the `_NET_WM_CM_Sn` selection has
// an owner), asked on Qt's own X connection. Translucent windows look right only then; without
// one their clear parts show whatever the server left there. False when Qt does not run on X.
// Main thread; two short round trips, so callers ask once per window shown, not per frame.
bool x11CompositorRunning();
