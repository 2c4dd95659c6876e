#include "engine/Run.h"
#include "reports/Page.h"
