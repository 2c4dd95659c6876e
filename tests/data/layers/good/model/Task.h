#pragma once

#include "html/Links.h"
#include "../platform/Files.h"
#include "support/Helper.h"
