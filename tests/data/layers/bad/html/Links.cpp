#include "html/Links.h"

  #  include "model/Task.h"
#include "platform/Files.h"
