#include "window/windowlog.h"

Q_LOGGING_CATEGORY(lcWindow, "lumen.window", QtWarningMsg)
