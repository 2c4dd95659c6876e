#include "html/Links.h"
#include "platform/Files.h"
#include "Local.h"

// #include "model/Task.h" is only mentioned here.
#include <vector>
