#include "cli/Main.h"
#include "reports/Page.h"
#include "platform/Files.h"
