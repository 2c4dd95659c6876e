#include "engine/Run.h"
#include "model/Task.h"
#include <platform/Files.h>
