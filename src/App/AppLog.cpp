#include "App/AppLog.h"

Q_LOGGING_CATEGORY(lcApp, "com.ostavel.app.App")
