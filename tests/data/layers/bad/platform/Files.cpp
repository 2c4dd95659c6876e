#include "platform/Files.h"
#include <model/Task.h>
