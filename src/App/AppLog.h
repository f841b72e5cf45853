#pragma once

#include <QLoggingCategory>

// The application shell's category: "com.ostavel.app.App".
Q_DECLARE_LOGGING_CATEGORY(lcApp)
