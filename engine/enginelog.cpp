#include "engine/enginelog.h"

Q_LOGGING_CATEGORY(lcEngine, "lumen.engine", QtWarningMsg)
