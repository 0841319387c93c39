#pragma once

#include <QLoggingCategory>

// Developer diagnostics of the browser engine host; warnings show by default,
// QT_LOGGING_RULES="lumen.engine.debug=true" adds the rest. The daily log is not this: it keeps
// what the program promises to write.
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
