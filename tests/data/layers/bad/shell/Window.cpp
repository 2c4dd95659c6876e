#include "cli/Main.h"
