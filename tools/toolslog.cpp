#include "tools/toolslog.h"

Q_LOGGING_CATEGORY(lcTools, "lumen.tools", QtWarningMsg)
