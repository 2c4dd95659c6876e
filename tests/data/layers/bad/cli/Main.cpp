#include "reports/Page.h"
#include "shell/Window.h"
