#include "model/Task.h"
#include "../engine/Run.h"
#include "html/Links.h"
