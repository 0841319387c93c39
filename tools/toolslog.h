#pragma once

#include <QLoggingCategory>

// Developer diagnostics of the desktop utilities; warnings show by default,
// QT_LOGGING_RULES="lumen.tools.debug=true" adds the rest. The daily log is not this: it keeps what
// the program promises to write.
Q_DECLARE_LOGGING_CATEGORY(lcTools)
